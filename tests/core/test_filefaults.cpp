// Opening things that are not parameter files: a file of many gigabytes
// (sparse, so the test costs no disk), devices that never end, random bytes,
// one endless line. Each gives a message that names the file, leaves the
// editor as it was, and reads at most a little more than the size limit,
// whatever the file's size.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "parameters/ParameterFile.h"
#include "support/TempFolder.h"

using namespace pxr;
using pxr::test::TempFolder;
namespace fs = std::filesystem;

namespace {

long residentKiB()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long>(counters.WorkingSetSize / 1024);
#else
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
#endif
}

MapFieldBinding prefilled()
{
    MapFieldBinding fields;
    for (const ParameterDef& def : parameterTable(kPXR7X))
        for (const ValueDef& v : def.values)
            fields.setFieldText(v.control, "old");
    return fields;
}

bool untouched(const MapFieldBinding& fields)
{
    for (const auto& [control, text] : fields.fields())
        if (text != "old")
            return false;
    return true;
}

struct BadFiles : ::testing::Test {
    TempFolder folder{"badfiles"};
    const fs::path dir = folder.path();
};

} // namespace

TEST_F(BadFiles, EachIsRefusedWithAMessageNamingIt)
{
    // 8 GiB that starts like a parameter file.
    const fs::path huge = dir / "huge.csv";
    {
        std::ofstream(huge, std::ios::binary) << "[Parameter]\r\nSA=1\r\n";
    }
    fs::resize_file(huge, 8ull << 30);

    const fs::path random = dir / "random.csv";
    {
        std::mt19937 gen(7);
        std::string bytes(200000, '\0');
        for (char& c : bytes)
            c = static_cast<char>(gen() & 0xFF);
        // Nothing in it may pass as the section line.
        for (size_t i = 0; i + 1 < bytes.size(); ++i)
            if (bytes[i] == '[')
                bytes[i] = ' ';
        std::ofstream(random, std::ios::binary) << bytes;
    }

    const fs::path endless = dir / "endless.csv";
    {
        std::ofstream(endless, std::ios::binary) << std::string(kParameterTextLimit + 10, 'z');
    }

    struct Case {
        std::string path;
        std::string reason; // part of the message
    };
    std::vector<Case> cases = {
        {huge.string(), "larger than"},
        {random.string(), "[Parameter]"},
        {endless.string(), "larger than"},
        {dir.string(), "not a regular file"},
    };
#ifndef _WIN32
    // Devices that never end (Windows's NUL device ends at once).
    cases.push_back({"/dev/zero", "not a regular file"});
    cases.push_back({"/dev/urandom", "not a regular file"});
#endif
    for (const Case& c : cases) {
        MapFieldBinding fields = prefilled();
        const long before = residentKiB();
        const FileResult r = openParameterFile(c.path, kPXR7X, fields);
        const long grew = residentKiB() - before;
        EXPECT_FALSE(r.ok) << c.path;
        EXPECT_TRUE(r.status.empty()) << c.path;
        EXPECT_NE(r.error.find(c.path), std::string::npos) << r.error;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
        EXPECT_TRUE(untouched(fields)) << c.path;
        // The limit (1 MiB) and the reading's own copies, never the file's size.
        EXPECT_LT(grew, 16 * 1024) << c.path << " made the program grow by " << grew << " KiB";
    }
}

TEST_F(BadFiles, AFileOfExactlyTheLimitStillLoads)
{
    // The largest text that is still taken: one line of padding after the values.
    std::string text = "[Parameter]\r\nSA=5\r\nX=";
    text.resize(kParameterTextLimit, 'y');
    const fs::path p = dir / "limit.csv";
    {
        std::ofstream(p, std::ios::binary) << text;
    }
    MapFieldBinding fields = prefilled();
    const FileResult r = openParameterFile(p.string(), kPXR7X, fields);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(fields.fieldText("cb_sa"), "5");
    EXPECT_EQ(fields.fieldText("cb_st"), "");
}
