#pragma once
// The window of a benchmark's measurement: nothing is shown, and the log
// file dialog answers the benchmark's file.

#include <string>
#include <utility>

#include "measurement/Measurement.h"

namespace pxr::bench {

class LogFileView : public NullMeasurementView {
public:
    explicit LogFileView(std::string file) : m_file(std::move(file)) {}
    std::string chooseLogFile(const std::string&) override { return m_file; }

private:
    std::string m_file;
};

} // namespace pxr::bench
