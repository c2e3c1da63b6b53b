// The core reading path at full speed: received blocks -> ComDataPacket_mess
// -> decoding -> diagram series -> analog and switching outputs -> log line
// in the log window -> (optionally) the log file, opened, appended, flushed
// and closed per line. Prints lines per second and nanoseconds per line and
// compares them with what a 460800-baud line can carry.
//
//   bench_readingpath [seconds per run, default 2] [folder for the log file]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "devices/ParameterSets.h"
#include "measurement/Measurement.h"
#include "serial/ComDataPacket.h"
#include "base/EventLoop.h"
#include "base/UiHooks.h"

#include "IdleLoop.h"
#include "LogFileView.h"

using namespace pxr;

namespace {

using bench::IdleLoop;
using bench::LogFileView;

struct Stream {
    const char* name;
    DeviceType model;
    std::vector<std::string> lines; // with their line ends, as the meter sends them
    const char* start;              // framer arming of the model line
    const char* stop;
    int size;
};

// The meter's fastest decimal stream and a few other forms, cut into blocks
// as the port delivers them.
std::string blockOf(const Stream& s, size_t lines)
{
    std::string b;
    for (size_t i = 0; i < lines; ++i)
        b += s.lines[i % s.lines.size()];
    return b;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Result {
    double linesPerSecond;
    double nsPerLine;
    uint64_t lines;
};

Result run(const Stream& s, size_t linesPerBlock, const std::string& logFile, double runSeconds)
{
    TPXR7x pxr7x;
    TPXR500C pxr500c;
    TPXR501 pxr501;
    pxr7x.SetDefaults();
    pxr500c.SetDefaults();
    pxr501.SetDefaults(false);
    IdleLoop loop;
    NullUiHooks ui;
    const DeviceType model = s.model;
    LogFileView view(logFile);
    Measurement m(model, loop, ui, pxr7x, pxr500c, pxr501, &view);
    if (!logFile.empty()) {
        m.log.acStartStopLogExecute();
        if (!m.log.fileLoggingOn()) {
            std::fprintf(stderr, "cannot start the log file %s\n", logFile.c_str());
            std::exit(1);
        }
    }
    TComDataPacket mess;
    mess.setStartString(s.start);
    mess.setStopString(s.stop);
    mess.setSize(s.size);
    m.connect(mess);

    const std::string block = blockOf(s, linesPerBlock);
    const auto t0 = std::chrono::steady_clock::now();
    auto now = t0;
    uint64_t blocks = 0;
    do {
        for (int i = 0; i < 64; ++i)
            mess.AddData(block);
        blocks += 64;
        now = std::chrono::steady_clock::now();
    } while (seconds(now - t0) < runSeconds);
    const double took = seconds(now - t0);
    const uint64_t lines = m.decoding.readingCount();
    if (lines != blocks * linesPerBlock) {
        std::fprintf(stderr, "lost lines: %llu of %llu\n", static_cast<unsigned long long>(blocks * linesPerBlock - lines),
                     static_cast<unsigned long long>(blocks * linesPerBlock));
        std::exit(1);
    }
    if (!logFile.empty() && !m.log.fileLoggingOn()) {
        std::fprintf(stderr, "the log file stopped: %s\n", ui.statusText(2).c_str());
        std::exit(1);
    }
    return {lines / took, took * 1e9 / lines, lines};
}

} // namespace

int main(int argc, char** argv)
{
    const bench::LogBenchArgs args = bench::logBenchArgs(argc, argv, 2.0, "pxr-bench-readingpath.csv");
    const double runSeconds = args.seconds;
    const std::string& logFile = args.logFile;

    // 460800 baud, 10 bits a byte: 46080 bytes/s; "005.000" CR LF is 9 bytes.
    const double lineLimit = 460800.0 / 10 / 9;

    const std::vector<Stream> streams = {
        {"PXR7X decimal  \"005.00x\"", kPXR7X,
         {"005.000\r\n", "005.001\r\n", "005.002\r\n", "005.003\r\n", "005.004\r\n", "005.005\r\n",
          "005.006\r\n", "005.007\r\n", "005.008\r\n", "005.009\r\n"},
         "", "\r\n", 0},
        {"PXR7X hex      \" 001388\"", kPXR7X, {" 001388\r\n", " FFFFC18\r\n", " 0012AB\r\n"}, "", "\r\n", 0},
        {"PXR500C fields \" 0005.00\"", kPXR500C, {" 0005.00", " 0005.01", " 9999.90"}, " ", "", 8},
        {"PXR501 D+sig+T", kPXR501,
         {"D 0005.003 01404 +25.6\r\n", "D 0005.004 01405 +25.6\r\n", "H0012AB 057A 100\r\n"}, "", "\r\n", 0},
    };

    std::printf("Reading path benchmark (framer -> decoding -> series -> outputs -> log)\n");
    std::printf("460800-baud line limit: %.0f lines/s of \"005.000\" CR LF\n\n", lineLimit);
    std::printf("%-28s %-14s %14s %10s %10s\n", "stream", "log file", "lines/s", "ns/line", "x limit");
    for (const Stream& s : streams) {
        for (size_t perBlock : {size_t(1), size_t(64)}) {
            for (bool withFile : {false, true}) {
                std::filesystem::remove(logFile);
                const Result r = run(s, perBlock, withFile ? logFile : std::string(), runSeconds);
                char label[64];
                std::snprintf(label, sizeof label, "%s, %zu/block", withFile ? "on" : "off", perBlock);
                std::printf("%-28s %-14s %14.0f %10.1f %10.1f\n", s.name, label, r.linesPerSecond, r.nsPerLine,
                            r.linesPerSecond / lineLimit);
            }
        }
    }
    std::filesystem::remove(logFile);
    std::printf("\nTargets: 256000 lines/s without the file, 50000 with it.\n");
    return 0;
}
