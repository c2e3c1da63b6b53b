#pragma once
// The directory setup's two folders, as the "Directory" group of the
// settings stores them.

#include <string>

namespace pxr {

struct DirectorySettings {
    std::string parameter;
    std::string logFile;
};

} // namespace pxr
