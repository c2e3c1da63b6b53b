#pragma once
// The window of a benchmark's measurement: nothing is shown, and the log
// file dialog answers the benchmark's file. Also the command line of the
// benchmarks that write a log file.

#include <cstdlib>
#include <filesystem>
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

// `[seconds] [folder for the log file]`; without a folder the file goes to
// the system's temporary folder.
struct LogBenchArgs {
    double seconds;
    std::string logFile;
};

inline LogBenchArgs logBenchArgs(int argc, char** argv, double defaultSeconds, const char* fileName)
{
    const std::filesystem::path folder =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
    return {argc > 1 ? std::atof(argv[1]) : defaultSeconds, (folder / fileName).string()};
}

} // namespace pxr::bench
