#pragma once
#include <cstdint>

namespace pxr {

// Model line: 0 = PXR7X, 1 = PXR500C, 2 = PXR501/502, in this order everywhere
// (lists, page indices, settings).
using DeviceType = uint8_t;
constexpr DeviceType kPXR7X = 0;
constexpr DeviceType kPXR500C = 1;
constexpr DeviceType kPXR501 = 2;
// How many there are, and their names as lists and pages show them.
constexpr int kModelLines = 3;
constexpr const char* kModelLineNames[kModelLines] = {"PXR7X", "PXR500C", "PXR501/502"};

} // namespace pxr
