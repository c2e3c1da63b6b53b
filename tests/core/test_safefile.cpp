// Replacing a file as a whole: through symbolic links, on a file system that
// fills up in the middle of the write, and with the data on the disk before
// the new file takes the old one's name.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/SafeFile.h"
#include "support/SmallFileSystem.h"
#include "support/TempFolder.h"

using namespace pxr;
using pxr::test::SmallFileSystem;
using pxr::test::TempFolder;
namespace fs = std::filesystem;

#ifndef _WIN32
// The order of the system calls that matter, recorded by taking the place
// of the C library's own fsync and rename in this test program.
namespace {
bool g_recording = false;
std::vector<std::string> g_calls;

std::string pathOfFd(int fd)
{
    char buf[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, size_t(n)) : std::string("?");
}
} // namespace

extern "C" int fsync(int fd)
{
    if (g_recording)
        g_calls.push_back("fsync " + pathOfFd(fd));
    return int(::syscall(SYS_fsync, fd));
}

extern "C" int rename(const char* from, const char* to) noexcept
{
    if (g_recording)
        g_calls.push_back(std::string("rename ") + from + " -> " + to);
    return int(::syscall(SYS_renameat, AT_FDCWD, from, AT_FDCWD, to));
}
#endif

namespace {

std::string contents(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::vector<std::string> names(const fs::path& dir)
{
    std::vector<std::string> list;
    for (const auto& e : fs::directory_iterator(dir))
        list.push_back(e.path().filename().u8string());
    std::sort(list.begin(), list.end());
    return list;
}

struct SafeFile : ::testing::Test {
    TempFolder folder{"safefile"};
    const fs::path dir = folder.path();
    void SetUp() override { fs::create_directories(dir / "real"); }
    void TearDown() override
    {
#ifndef _WIN32
        g_recording = false;
#endif
        // Writable again, so that the folder can go.
        std::error_code ec;
        fs::permissions(dir / "locked.csv", fs::perms::owner_write, fs::perm_options::add, ec);
    }
};

#ifdef _WIN32
constexpr const char* kNoLinks = "MinGW's library makes no symbolic links, and Windows lets only administrators";
#endif

struct LinkShape {
    const char* name;
    // Makes `dir/name.csv` lead to the file that must be written; returns it.
    fs::path (*make)(const fs::path& dir);
};

const LinkShape kLinkShapes[] = {
    {"absolute", [](const fs::path& d) {
         put(d / "real/p.csv", "old");
         fs::create_symlink(d / "real/p.csv", d / "p.csv");
         return d / "real/p.csv";
     }},
    {"relative", [](const fs::path& d) {
         put(d / "real/p.csv", "old");
         fs::create_symlink("real/p.csv", d / "p.csv");
         return d / "real/p.csv";
     }},
    {"chain", [](const fs::path& d) {
         put(d / "real/p.csv", "old");
         fs::create_symlink("p.csv", d / "real/middle.csv");
         fs::create_symlink("real/middle.csv", d / "p.csv");
         return d / "real/p.csv";
     }},
    {"dangling", [](const fs::path& d) {
         fs::create_symlink("real/new.csv", d / "p.csv");
         return d / "real/new.csv";
     }},
};

} // namespace

TEST_F(SafeFile, AnExistingFileIsReplacedAndANewOneMade)
{
    // On Windows a rename onto an existing file fails; the names are UTF-8.
    for (const bool existing : {true, false}) {
        const fs::path p = dir / fs::u8path(u8"Zähler ü.csv");
        if (existing)
            put(p, "old and longer than the new");
        const SafeWriteResult r = replaceFileContents(p.u8string(), "new\r\n");
        ASSERT_TRUE(r.ok) << existing << ": " << r.reason;
        EXPECT_EQ(contents(p), "new\r\n") << existing;
        EXPECT_EQ(names(dir), (std::vector<std::string>{u8"Zähler ü.csv", "real"})) << existing;
        fs::remove(p);
    }
}

TEST_F(SafeFile, ALinkStaysALinkAndItsTargetGetsTheNewContents)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoLinks;
#endif
    for (const LinkShape& shape : kLinkShapes) {
        SCOPED_TRACE(shape.name);
        fs::remove_all(dir);
        fs::create_directories(dir / "real");
        const fs::path target = shape.make(dir);
        EXPECT_EQ(resolveLinks((dir / "p.csv").string()), target.lexically_normal().string());

        const SafeWriteResult r = replaceFileContents((dir / "p.csv").string(), "new\r\n");
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_TRUE(fs::is_symlink(dir / "p.csv"));
        EXPECT_EQ(contents(target), "new\r\n");
        EXPECT_EQ(contents(dir / "p.csv"), "new\r\n");
        // Nothing left beside it.
        for (const std::string& n : names(dir / "real"))
            EXPECT_EQ(n.find(".~"), std::string::npos) << n;
    }
}

TEST_F(SafeFile, ThePlainFileKeepsItsRightsAndItsOwner)
{
#ifdef _WIN32
    // Windows keeps what POSIX says with modes in a file's attributes and
    // security, which ReplaceFile carries over to the new file.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine's ReplaceFile does not carry the attributes over (Windows does)";
    const fs::path p = dir / "p.csv";
    put(p, "old");
    ASSERT_TRUE(SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(replaceFileContents(p.u8string(), "new").ok);
    EXPECT_NE(GetFileAttributesW(p.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(contents(p), "new");
#else
    const fs::path p = dir / "p.csv";
    put(p, "old");
    ::chmod(p.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(p.c_str(), 4321, 4322), 0);
    }
    ASSERT_TRUE(replaceFileContents(p.string(), "new").ok);
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_EQ(contents(p), "new");
    EXPECT_EQ(resolveLinks(p.string()), p.string());
#endif
}

TEST_F(SafeFile, AFullFileSystemKeepsTheOldFileAndLeavesNothingBehind)
{
    SmallFileSystem small(16);
    if (!small.ok())
        GTEST_SKIP() << small.whyNot();
    const std::string p = small.path("p.csv");
    put(p, "[Parameter]\r\nSA=old\r\n");
    // Larger than the whole file system: the write is cut short on its way.
    const SafeWriteResult r = replaceFileContents(p, std::string(40 * 1024, 'x'));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, std::strerror(ENOSPC));
    EXPECT_EQ(contents(p), "[Parameter]\r\nSA=old\r\n");
    EXPECT_EQ(names(fs::path(p).parent_path()), std::vector<std::string>{"p.csv"});

    // A file that fits is still written once the space is there.
    EXPECT_TRUE(replaceFileContents(p, std::string(4000, 'y')).ok);
    EXPECT_EQ(contents(p), std::string(4000, 'y'));
}

TEST_F(SafeFile, TheDataIsOnTheDiskBeforeTheNewFileTakesTheName)
{
#ifdef _WIN32
    GTEST_SKIP() << "records Linux's fsync and rename; Windows writes through with _commit and ReplaceFile";
#else
    const fs::path target = dir / "real/p.csv";
    put(target, "old");
    fs::create_symlink(target, dir / "p.csv");
    g_calls.clear();
    g_recording = true;
    ASSERT_TRUE(replaceFileContents((dir / "p.csv").string(), "new").ok);
    g_recording = false;

    const std::string temporary = target.string() + ".~0";
    ASSERT_GE(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0], "fsync " + temporary);
    EXPECT_EQ(g_calls[1], "rename " + temporary + " -> " + target.string());
    // The folder that holds the new name is flushed after the rename.
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls[2], "fsync " + (dir / "real").string());
#endif
}

TEST_F(SafeFile, WhatCannotBeReplacedIsRefusedWithItsReason)
{
    put(dir / "locked.csv", "old");
    fs::permissions(dir / "locked.csv", fs::perms::owner_read);
    struct Case {
        std::string path;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"", "no file name given"},
        {(dir / "real").string(), "it is not a regular file"},
        {(dir / "locked.csv").string(), "the file is write-protected"},
        {(dir / "missing/p.csv").string(), std::strerror(ENOENT)},
    };
#ifndef _WIN32
    cases.push_back({"/dev/null", "it is not a regular file"});
#endif
    for (const auto& c : cases) {
        const SafeWriteResult r = replaceFileContents(c.path, "new");
        EXPECT_FALSE(r.ok) << c.path;
        EXPECT_EQ(r.reason, c.reason) << c.path;
    }
    EXPECT_EQ(contents(dir / "locked.csv"), "old");
}
