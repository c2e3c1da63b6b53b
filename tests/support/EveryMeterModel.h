#pragma once
// Tests that run once on each meter the emulator plays:
//   class X : public ::testing::TestWithParam<ModelCase> {};
//   INSTANTIATE_TEST_SUITE_P(Prefix, X, ::testing::ValuesIn(kEveryMeterModel), modelCaseName);

#include <gtest/gtest.h>

#include <string>

#include "emulator/MeterTable.h"

namespace pxr::test {

struct ModelCase {
    const char* name;
    MeterModel model;
};

inline const ModelCase kEveryMeterModel[] = {
    {"PXR7X", MeterModel::PXR7X},
    {"PXR500C", MeterModel::PXR500C},
    {"PXR501", MeterModel::PXR501},
    {"PXR502", MeterModel::PXR502},
};

inline std::string modelCaseName(const ::testing::TestParamInfo<ModelCase>& info) { return info.param.name; }

} // namespace pxr::test
