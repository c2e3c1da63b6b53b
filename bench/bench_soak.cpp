// Soak run of the core reading path with the online log file, paced in real
// time at what a 460800-baud line carries: 5,120 lines of "005.000" CR LF a
// second (46,080 bytes/s, 9 bytes a line), delivered every 10 ms as the
// port would hand them over. Every line has its own value, so a lost or
// doubled line shows in the file.
//
//   bench_soak [seconds, default 60] [folder for the log file]
//
// Prints, every 10 s and at the end: lines sent, readings decoded, lines in
// the log file, lines lost, the longest a 10 ms block took to handle, and
// the resident memory, and at the end the share of the time spent handling
// the blocks. Exits 1 if a line was lost or the log file stopped.
// The soak of the whole program (pxrtool itself, QSerialPort on a
// pseudo-terminal, every consumer attached) is bench_xvfb --soak.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "devices/ParameterSets.h"
#include "measurement/Measurement.h"
#include "serial/ComDataPacket.h"
#include "base/EventLoop.h"
#include "base/UiHooks.h"

#include "IdleLoop.h"
#include "LogFileView.h"
#include "PtyFeeder.h"

using namespace pxr;
using Clock = std::chrono::steady_clock;

namespace {

using bench::appendLine;
using bench::IdleLoop;
using bench::LogFileView;

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4;
}

uint64_t countLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    uint64_t n = 0;
    std::string line;
    while (std::getline(in, line))
        ++n;
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    const bench::LogBenchArgs args = bench::logBenchArgs(argc, argv, 60.0, "pxr-bench-soak.csv");
    const double runSeconds = args.seconds;
    const std::string& logFile = args.logFile;
    constexpr double kLinesPerSecond = bench::kLineRate;

    TPXR7x pxr7x;
    TPXR500C pxr500c;
    TPXR501 pxr501;
    pxr7x.SetDefaults();
    IdleLoop loop;
    NullUiHooks ui;
    const DeviceType model = kPXR7X;
    LogFileView view(logFile);
    Measurement m(model, loop, ui, pxr7x, pxr500c, pxr501, &view);
    m.log.acStartStopLogExecute();
    if (!m.log.fileLoggingOn()) {
        std::fprintf(stderr, "cannot start the log file %s: %s\n", logFile.c_str(), ui.statusText(2).c_str());
        return 1;
    }
    TComDataPacket mess;
    mess.setStopString("\r\n");
    m.connect(mess);

    const long rssStart = residentKiB();
    std::printf("soak: %.0f s at %.0f lines/s into %s; resident at start %ld KiB\n", runSeconds,
                kLinesPerSecond, logFile.c_str(), rssStart);
    std::fflush(stdout);

    const auto t0 = Clock::now();
    uint64_t sent = 0;
    double worstBlockMs = 0.0;
    double busyMs = 0.0; // time spent handling blocks
    double nextReport = 10.0;
    std::string block;
    for (uint64_t tick = 1;; ++tick) {
        const auto due = t0 + std::chrono::microseconds(tick * 10000);
        std::this_thread::sleep_until(due);
        const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
        if (elapsed > runSeconds)
            break;
        // Everything the line carried up to now, in one block.
        const uint64_t target = static_cast<uint64_t>(elapsed * kLinesPerSecond);
        block.clear();
        while (sent < target)
            appendLine(block, sent++);
        const auto b0 = Clock::now();
        mess.AddData(block);
        const double blockMs = std::chrono::duration<double, std::milli>(Clock::now() - b0).count();
        busyMs += blockMs;
        if (blockMs > worstBlockMs)
            worstBlockMs = blockMs;
        if (!m.log.fileLoggingOn()) {
            std::printf("the log file stopped after %llu lines: %s\n", static_cast<unsigned long long>(sent),
                        ui.statusText(2).c_str());
            return 1;
        }
        if (elapsed >= nextReport) {
            std::printf("  %5.0f s: %9llu lines sent, %9llu decoded, longest 10 ms block took %.2f ms, "
                        "resident %ld KiB\n",
                        elapsed, static_cast<unsigned long long>(sent),
                        static_cast<unsigned long long>(m.decoding.readingCount()), worstBlockMs, residentKiB());
            std::fflush(stdout);
            nextReport += 10.0;
        }
    }
    const double took = std::chrono::duration<double>(Clock::now() - t0).count();
    const uint64_t decoded = m.decoding.readingCount();
    const long rssEnd = residentKiB();
    const uint64_t fileLines = countLines(logFile);
    const uint64_t logged = fileLines > 0 ? fileLines - 1 : 0; // without "Time;Value"
    const uint64_t lost = sent > decoded ? sent - decoded : 0;
    std::printf("soak: %.1f s, %llu lines sent (%.0f lines/s), %llu decoded, %llu in the log file, %llu lost, "
                "log window %zu lines; handling took %.1f %% of the time, longest 10 ms block %.2f ms; "
                "resident %ld KiB at start, %ld KiB at end\n",
                took, static_cast<unsigned long long>(sent), sent / took, static_cast<unsigned long long>(decoded),
                static_cast<unsigned long long>(logged), static_cast<unsigned long long>(lost), m.log.lineCount(),
                100.0 * busyMs / (took * 1000.0), worstBlockMs, rssStart, rssEnd);
    const bool ok = lost == 0 && logged == sent && decoded == sent;
    std::filesystem::remove(logFile);
    return ok ? 0 : 1;
}
