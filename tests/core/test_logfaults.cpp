// The online log file failing in the middle of a measurement, on the whole
// reading road (framer -> decoding -> diagram, outputs, log window, file):
// the file is deleted, made read-only, replaced by a folder, or lands on a
// full file system. File logging stops with its message in status panel 2
// and no message box, the file keeps every line written before, and the
// readings go on reaching the diagram and the log window.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "devices/ParameterSets.h"
#include "measurement/Measurement.h"
#include "serial/ComDataPacket.h"
#include "support/FileText.h"
#include "support/RecordingUi.h"
#include "support/SmallFileSystem.h"
#include "support/TempFolder.h"
#include "support/VirtualEventLoop.h"
#include "support/RecordingMeasurementView.h"

using namespace pxr;
using namespace pxr::test;
namespace fs = std::filesystem;

namespace {


#ifdef _WIN32
// The read-only attribute. False where it does not stop a writer (Wine run
// by root, whom the Linux file system lets write anyway).
bool setImmutable(const fs::path& p, bool on)
{
    std::error_code ec;
    fs::permissions(p, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    on ? fs::perm_options::remove : fs::perm_options::add, ec);
    if (ec || !on)
        return !ec;
    if (std::ofstream(p, std::ios::app)) {
        fs::permissions(p, fs::perms::owner_write, fs::perm_options::add, ec);
        return false;
    }
    return true;
}
#else
// The immutable attribute: the one way to make a file unwritable that also
// holds for root. False where the file system does not have it.
bool setImmutable(const fs::path& p, bool on)
{
    const int fd = ::open(p.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}
#endif

struct Road {
    VirtualEventLoop loop;
    double clock = 0.0;
    RecordingUi ui;
    TPXR7x pxr7x;
    TPXR500C pxr500c;
    TPXR501 pxr501;
    DeviceType model = kPXR7X;
    RecordingMeasurementView view;
    std::string& logPath = view.chosenLogFile;
    Measurement m{model, loop, ui, pxr7x, pxr500c, pxr501, &view, [this] { return clock; }};
    TComDataPacket mess;

    Road()
    {
        view.logFolder = "/tmp";
        pxr7x.SetDefaults();
        mess.setStopString("\r\n");
        m.connect(mess);
    }
    void lines(int first, int count)
    {
        std::string block;
        for (int i = first; i < first + count; ++i)
            block += "00" + std::to_string(i) + ".500\r\n";
        clock += 0.1;
        mess.AddData(block);
    }
};

struct LogFault {
    const char* name;
    // Breaks the file at `path`; false: not possible here (the test is skipped).
    std::function<bool(const fs::path& path, const fs::path& target)> breakIt;
    std::function<void(const fs::path& path)> repair;
    bool fileKept; // the lines written before are still at the path
};

const LogFault kLogFaults[] = {
    {"Deleted", [](const fs::path& p, const fs::path&) { return fs::remove(p); }, nullptr, false},
    {"ReadOnly", [](const fs::path& p, const fs::path&) { return setImmutable(p, true); },
     [](const fs::path& p) { setImmutable(p, false); }, true},
    {"ReplacedByAFolder",
     [](const fs::path& p, const fs::path&) { return fs::remove(p) && fs::create_directory(p); }, nullptr, false},
    {"FileSystemFull",
     [](const fs::path& link, const fs::path&) {
         fs::remove(link);
         fs::create_symlink("/dev/full", link);
         return true;
     },
     nullptr, false},
};

class LogFileFault : public ::testing::TestWithParam<LogFault> {
protected:
    TempFolder folder{std::string("logfault-") + GetParam().name};
    const fs::path dir = folder.path();
    void TearDown() override
    {
        if (GetParam().repair)
            GetParam().repair(dir / "log.csv");
    }
};

} // namespace

TEST_P(LogFileFault, LoggingStopsWithItsMessageAndReadingsGoOn)
{
    const LogFault& fault = GetParam();
    Road road;
    const fs::path target = dir / "real.csv";
    // For the full file system the log goes through a link that is turned
    // to /dev/full; the others use the file itself.
    const bool viaLink = std::string(fault.name) == "FileSystemFull";
#ifdef _WIN32
    if (viaLink)
        GTEST_SKIP() << "Windows has no device like /dev/full to point the log file at";
#endif
    const fs::path path = viaLink ? dir / "link.csv" : dir / "log.csv";
    if (viaLink)
        fs::create_symlink(target, path);
    road.logPath = path.string();
    road.m.log.acStartStopLogExecute();
    ASSERT_TRUE(road.m.log.fileLoggingOn());

    road.lines(1, 5);
    const fs::path written = viaLink ? target : path;
    const std::string before = readFile(written);
    ASSERT_EQ(std::count(before.begin(), before.end(), '\n'), 6) << before;

    if (!fault.breakIt(path, target))
        GTEST_SKIP() << "cannot make the file " << fault.name << " on this file system";
    road.lines(6, 5);

    EXPECT_FALSE(road.m.log.fileLoggingOn());
    EXPECT_EQ(road.m.log.startStopLogCaption(), "Start Log File");
    EXPECT_TRUE(road.m.log.LogFileName().empty());
    EXPECT_TRUE(road.ui.errors.empty()); // no box in the middle of a measurement
    const std::string status = road.ui.statusText(2);
    EXPECT_EQ(status.rfind(" Log File stopped: " + path.string() + ": ", 0), 0u) << status;
    EXPECT_GT(status.size(), (" Log File stopped: " + path.string() + ": ").size()) << "no reason given";

    // The readings go on: every line reached the diagram and the window.
    EXPECT_EQ(road.m.decoding.readingCount(), 10u);
    EXPECT_EQ(road.m.series.size(), 10u);
    EXPECT_EQ(road.m.log.lineCount(), 10u);
    EXPECT_EQ(road.m.log.line(9).substr(road.m.log.line(9).find(';')), ";10.500");

    // What was written before stays.
    if (fault.fileKept || viaLink) {
        EXPECT_EQ(readFile(written), before);
    }

    // Once the file can be written again, a new log file starts normally.
    if (fault.repair)
        fault.repair(path);
    road.logPath = (dir / "again.csv").string();
    road.m.log.acStartStopLogExecute();
    EXPECT_TRUE(road.m.log.fileLoggingOn());
    road.lines(11, 2);
    EXPECT_EQ(readFile(dir / "again.csv").substr(0, 12), "Time;Value\r\n");
}

INSTANTIATE_TEST_SUITE_P(Log, LogFileFault, ::testing::ValuesIn(kLogFaults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LogFileOnAFullDisk, TheFileEndsWithItsLastWholeLine)
{
    // A disk that fills up takes the last line in part: the file would end
    // "...5.000" CR LF "6.6". That part is taken back before logging stops.
    pxr::test::SmallFileSystem small(8);
    if (!small.ok())
        GTEST_SKIP() << pxr::test::SmallFileSystem::whyNot();
    Road road;
    road.logPath = small.path("log.csv");
    road.m.log.acStartStopLogExecute();
    ASSERT_TRUE(road.m.log.fileLoggingOn());
    int first = 1;
    while (road.m.log.fileLoggingOn() && first < 5000) {
        road.lines(first, 7);
        first += 7;
    }
    ASSERT_FALSE(road.m.log.fileLoggingOn()) << "the file system never filled up";

    const std::string file = readFile(road.logPath);
    ASSERT_GT(file.size(), 4096u);
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    // Every line of the file is a whole log line: reading k has the value k.5.
    std::vector<std::string> fileLines;
    for (size_t at = 0, end; (end = file.find("\r\n", at)) != std::string::npos; at = end + 2)
        fileLines.push_back(file.substr(at, end - at));
    ASSERT_GE(fileLines.size(), 2u);
    EXPECT_EQ(fileLines.front(), "Time;Value");
    for (size_t k = 1; k < fileLines.size(); ++k) {
        const std::string& l = fileLines[k];
        const std::string value = ";" + std::to_string(k) + ".500";
        ASSERT_TRUE(l.size() > value.size() + 4 && l.compare(l.size() - value.size(), value.size(), value) == 0
                    && l[l.size() - value.size() - 4] == '.')
            << "line " << k << ": " << l;
    }
    EXPECT_LT(fileLines.size() - 1, road.m.decoding.readingCount());
    EXPECT_EQ(road.ui.statusText(2),
              " Log File stopped: " + road.logPath + ": " + std::strerror(ENOSPC));
    EXPECT_TRUE(road.ui.errors.empty());
}
