// Log lines, the log window's lines and the online log file.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "measurement/OnlineLog.h"
#include "support/FileText.h"
#include "support/RecordingUi.h"
#include "support/RecordingMeasurementView.h"
#include "support/TempFolder.h"

using namespace pxr;
using namespace pxr::test;
namespace fs = std::filesystem;

namespace {


struct Log : ::testing::Test {
    double clock = 1000.0;
    Stopwatch timer{[this] { return clock; }};
    RecordingUi ui;
    RecordingMeasurementView view;
    std::string& chosen = view.chosenLogFile; // what the save dialog returns ("" = cancel)
    std::vector<std::string>& dialogDirs = view.dialogDirs;
    std::vector<std::pair<bool, std::string>>& captions = view.captions;
    int& lineCountResets = view.lineCountResets;
    OnlineLog log{timer, ui, &view};
    TempFolder folder{"log"};
    const fs::path dir = folder.path();

    Log() { view.logFolder = "/home/user/Documents"; }

    void SetUp() override { timer.Start(); }
    std::string path(const char* name) const { return (dir / name).string(); }
    void startLog(const std::string& p)
    {
        chosen = p;
        log.acStartStopLogExecute();
    }
};

} // namespace

TEST(LogLine, Format)
{
    struct Case {
        double t, v;
        bool decoded;
        char sep;
        const char* line;
    } cases[] = {
        {12.345, 1523.87, true, '.', "12.345;1523.870"},
        {12.845, 0.0, false, '.', "12.845;"},
        {12.345, 1523.87, true, ',', "12,345;1523,870"},
        {0.0, -0.5, true, '.', "0.000;-0.500"},
        {0.0, -1.0, true, ',', "0,000;-1,000"},
        {1.0, 1234567.0, true, '.', "1.000;1234567.000"}, // no thousands separators
        {3.0, 5.0, false, ',', "3,000;"},
        {0.0004, 7.0, true, '.', "0.000;7.000"},
        {2.9996, 7.0, true, '.', "3.000;7.000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatLogLine({c.t, c.v, c.decoded}, c.sep), c.line) << c.line;
}

TEST(LogLine, SameDigitsAsPrintfForManyValues)
{
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> d(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        const double t = std::abs(d(rng)) / 1000, v = d(rng);
        char expected[128];
        std::snprintf(expected, sizeof expected, "%.3f;%.3f", t, v);
        ASSERT_EQ(FormatLogLine({t, v, true}, '.'), expected);
    }
}

TEST_F(Log, WindowKeepsTheLast255Lines)
{
    for (int i = 0; i < 300; ++i)
        log.LogReading({double(i), i * 2.0, true});
    ASSERT_EQ(log.lineCount(), 255u);
    EXPECT_EQ(log.line(0), "45.000;90.000");
    EXPECT_EQ(log.line(254), "299.000;598.000");
    chosen = path("window.csv");
    log.acSaveLogExecute();
    const std::string text = readFile(chosen);
    EXPECT_EQ(text, log.logWindowText());
    EXPECT_EQ(text.rfind("Time;Value\r\n45.000;90.000\r\n46.000;92.000\r\n", 0), 0u);
    size_t lines = 0;
    for (size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 2))
        ++lines;
    EXPECT_EQ(lines, 256u); // header + 255
    EXPECT_EQ(text.substr(text.size() - 17), "299.000;598.000\r\n");
    EXPECT_EQ(dialogDirs.back(), "/home/user/Documents");
}

TEST_F(Log, ViewTakesNewLinesInBatches)
{
    uint64_t shown = log.serial();
    std::vector<std::string> view;
    auto pull = [&] {
        log.forEachLineAfter(shown, [&](const std::string& l) { view.push_back(l); });
        shown = log.serial();
    };
    log.LogReading({1, 1, true});
    log.LogReading({2, 2, false});
    pull();
    EXPECT_EQ(view, (std::vector<std::string>{"1.000;1.000", "2.000;"}));
    for (int i = 0; i < 400; ++i) // more than the window holds between two pulls
        log.LogReading({double(3 + i), 0, true});
    view.clear();
    pull();
    EXPECT_EQ(view.size(), 255u);
    EXPECT_EQ(view.back(), "402.000;0.000");
    view.clear();
    pull();
    EXPECT_TRUE(view.empty());
    const uint64_t clears = log.clearCount();
    log.acClearLogExecute();
    EXPECT_NE(log.clearCount(), clears);
    log.LogReading({0.5, 1, true});
    pull();
    EXPECT_EQ(view, std::vector<std::string>{"0.500;1.000"});
}

TEST_F(Log, StartCancelledChangesNothing)
{
    chosen.clear();
    log.acStartStopLogExecute();
    EXPECT_FALSE(log.startStopLogChecked());
    EXPECT_EQ(log.startStopLogCaption(), "Start Log File");
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.back(), std::make_pair(false, std::string("Start Log File")));
    EXPECT_TRUE(log.LogFileName().empty());
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(Log, LogFileGetsHeaderAndEveryLineWithCrLf)
{
    const std::string p = path("log.csv");
    {
        std::ofstream old(p, std::ios::binary);
        old << "old content\r\n";
    }
    clock = 1005.0;
    startLog(p);
    EXPECT_TRUE(log.fileLoggingOn());
    EXPECT_EQ(log.startStopLogCaption(), "Stop Log File");
    EXPECT_EQ(captions.back(), std::make_pair(true, std::string("Stop Log File")));
    EXPECT_EQ(ui.statusText(2), " Log File: " + p);
    EXPECT_EQ(readFile(p), "Time;Value\r\n"); // the existing file was emptied
    // The time base restarted with the file.
    EXPECT_DOUBLE_EQ(timer.ElapsedSeconds(), 0.0);
    clock = 1005.25;
    log.LogReading({timer.ElapsedSeconds(), 1523.87, true});
    log.LogReading({0.5, 0, false});
    EXPECT_EQ(readFile(p), "Time;Value\r\n0.250;1523.870\r\n0.500;\r\n");
    log.acStartStopLogExecute(); // stop
    EXPECT_FALSE(log.fileLoggingOn());
    EXPECT_EQ(ui.statusText(2), "");
    EXPECT_TRUE(log.LogFileName().empty());
    EXPECT_EQ(log.startStopLogCaption(), "Start Log File");
    log.LogReading({0.75, 1, true});
    EXPECT_EQ(readFile(p), "Time;Value\r\n0.250;1523.870\r\n0.500;\r\n");
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(Log, CommaSeparatorInWindowAndFile)
{
    log.setDecimalSeparator(',');
    const std::string p = path("comma.csv");
    startLog(p);
    log.LogReading({12.345, 1523.87, true});
    EXPECT_EQ(log.line(0), "12,345;1523,870");
    EXPECT_EQ(readFile(p), "Time;Value\r\n12,345;1523,870\r\n");
}

TEST_F(Log, AFileNamedBeyondAsciiGetsEveryLine)
{
    // The dialog hands over UTF-8, which Windows must not read in its ANSI
    // code page on the way to the disk.
    const std::string name = u8"Meßprotokoll ü.csv";
    const std::string p = (dir / fs::u8path(name)).u8string();
    startLog(p);
    log.LogReading({1, 2, true});
    log.LogReading({1.5, 0, false});
    ASSERT_TRUE(log.fileLoggingOn()) << ui.statusText(2);
    EXPECT_EQ(ui.statusText(2), " Log File: " + p);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().u8string());
    EXPECT_EQ(names, std::vector<std::string>{name});
    EXPECT_EQ(readFile(fs::u8path(p)), "Time;Value\r\n1.000;2.000\r\n1.500;\r\n");
}

TEST_F(Log, FileRemovedWhileLoggingEndsLoggingAndSaysSo)
{
    const std::string p = path("gone.csv");
    startLog(p);
    log.LogReading({1, 1, true});
    fs::remove(p);
    log.LogReading({2, 2, true});
    EXPECT_FALSE(log.fileLoggingOn());
    EXPECT_FALSE(log.startStopLogChecked());
    EXPECT_EQ(captions.back(), std::make_pair(false, std::string("Start Log File")));
    EXPECT_TRUE(log.LogFileName().empty());
    EXPECT_TRUE(ui.errors.empty()); // no box in the middle of a measurement
    EXPECT_EQ(ui.statusText(2).rfind(" Log File stopped: " + p, 0), 0u) << ui.statusText(2);
    EXPECT_FALSE(fs::exists(p)); // not created again
    // The readings keep flowing to the window.
    log.LogReading({3, 3, true});
    EXPECT_EQ(log.lineCount(), 3u);
    EXPECT_EQ(log.line(2), "3.000;3.000");
}

TEST_F(Log, DiskFullEndsLoggingAndKeepsWhatWasWritten)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device like /dev/full to point the log file at";
#endif
    const std::string target = path("real.csv");
    const std::string link = path("link.csv");
    fs::create_symlink(target, link);
    startLog(link);
    log.LogReading({1, 1, true});
    ASSERT_EQ(readFile(target), "Time;Value\r\n1.000;1.000\r\n");
    // The same name now leads to a device that takes no data.
    fs::remove(link);
    fs::create_symlink("/dev/full", link);
    log.LogReading({2, 2, true});
    EXPECT_FALSE(log.fileLoggingOn());
    EXPECT_NE(ui.statusText(2).find(" Log File stopped: "), std::string::npos);
    EXPECT_EQ(readFile(target), "Time;Value\r\n1.000;1.000\r\n");
    EXPECT_EQ(log.lineCount(), 2u);
}

TEST_F(Log, UncreatableFileIsReportedAndLoggingStaysOff)
{
    const std::string cases[] = {path("no/such/folder/x.csv"), dir.string(), "/dev/full"};
    for (const auto& p : cases) {
        ui.errors.clear();
        startLog(p);
        EXPECT_FALSE(log.startStopLogChecked()) << p;
        EXPECT_TRUE(log.LogFileName().empty()) << p;
        EXPECT_EQ(log.startStopLogCaption(), "Start Log File");
        ASSERT_EQ(ui.errors.size(), 1u) << p;
        EXPECT_NE(ui.errors[0].find(p), std::string::npos) << ui.errors[0];
        EXPECT_EQ(ui.statusText(2).find(" Log File: "), std::string::npos);
    }
}

TEST_F(Log, SaveLogWindowFailureAndCancel)
{
    log.LogReading({1, 1, true});
    chosen.clear();
    log.acSaveLogExecute();
    EXPECT_TRUE(ui.errors.empty());
    chosen = path("missing/dir/w.csv");
    log.acSaveLogExecute();
    ASSERT_EQ(ui.errors.size(), 1u);
    chosen = "/dev/full";
    log.acSaveLogExecute();
    EXPECT_EQ(ui.errors.size(), 2u);
}

TEST_F(Log, ClearLogWindowWhileLogging)
{
    const std::string p = path("clear.csv");
    startLog(p);
    clock += 10;
    log.LogReading({timer.ElapsedSeconds(), 1, true});
    log.acClearLogExecute();
    EXPECT_EQ(log.lineCount(), 0u);
    EXPECT_EQ(lineCountResets, 1);
    EXPECT_TRUE(log.fileLoggingOn()); // the file is not affected
    clock += 0.002;
    log.LogReading({timer.ElapsedSeconds(), 2, true});
    EXPECT_EQ(log.line(0), "0.002;2.000");
    EXPECT_EQ(readFile(p), "Time;Value\r\n10.000;1.000\r\n0.002;2.000\r\n");
}

TEST_F(Log, AppendKeepsLinesOfAnyLengthWholeAndNeverCreatesTheFile)
{
    const std::string p = path("append.csv");
    std::string error;
    EXPECT_FALSE(AppendLogLine(p, "1.000;2.000", 11, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(p));

    { std::ofstream(p, std::ios::binary) << "Time;Value\r\n"; }
    // Around the formatting buffer's size: the short and the long way.
    std::string expected = "Time;Value\r\n";
    for (size_t n : {size_t(0), size_t(1), kLogLineBuffer - 1, kLogLineBuffer, kLogLineBuffer + 1, 5 * kLogLineBuffer}) {
        std::string line(n, 'x');
        for (size_t i = 0; i < n; ++i)
            line[i] = char('0' + i % 10);
        error.clear();
        ASSERT_TRUE(AppendLogLine(p, line.data(), line.size(), error)) << n << ": " << error;
        EXPECT_TRUE(error.empty());
        expected += line + "\r\n";
    }
    EXPECT_EQ(readFile(p), expected);
}
