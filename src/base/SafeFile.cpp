#include "base/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "base/FileAccess.h"

namespace pxr {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinks = 40; // as the system's own path lookup allows
constexpr int kMaxTemporaryNames = 100;

std::string systemText(int error)
{
    return error != 0 ? std::string(std::strerror(error)) : std::string("the system reported an error");
}

SafeWriteResult failed(std::string reason) { return {false, std::move(reason)}; }

// The name of a new file beside the target: "<target>.~N", one that does not
// exist yet, so that no file of the user's is ever overwritten by accident.
std::string temporaryName(const std::string& target, int n) { return target + ".~" + std::to_string(n); }

// Creates the first free temporary name beside the target with `create`
// (which must refuse a name that exists with EEXIST, and sets errno).
// Returns the open descriptor and the name, or -1 and the system's error.
template <class Create>
int createTemporary(const std::string& target, std::string& temporary, int& error, Create create)
{
    for (int n = 0; n < kMaxTemporaryNames; ++n) {
        temporary = temporaryName(target, n);
        const int fd = create(temporary);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            error = errno;
            return -1;
        }
    }
    error = EEXIST;
    return -1;
}

} // namespace

std::string resolveLinks(const std::string& path)
{
    fs::path p = pathFromUtf8(path);
    std::error_code ec;
    for (int i = 0; i < kMaxLinks && fs::is_symlink(fs::symlink_status(p, ec)); ++i) {
        const fs::path target = fs::read_symlink(p, ec);
        if (ec)
            break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return utf8FromPath(p);
}

#ifndef _WIN32

SafeWriteResult replaceFileContents(const std::string& path, const std::string& bytes)
{
    if (path.empty())
        return failed("no file name given");
    const std::string target = resolveLinks(path);

    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode))
        return failed("it is not a regular file");
    // The new file and the rename would slip past a write protection the
    // user set on the file itself (the rename needs only the folder's rights).
    if (replacing && (old.st_mode & S_IWUSR) == 0)
        return failed("the file is write-protected");

    const mode_t mode = replacing ? (old.st_mode & 07777) : 0666;
    std::string temporary;
    int error = 0;
    const int fd = createTemporary(target, temporary, error, [mode](const std::string& name) {
        return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    });
    if (fd < 0)
        return failed(systemText(error));

    for (size_t done = 0; done < bytes.size() && error == 0;) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            error = w < 0 ? errno : EIO;
        else
            done += size_t(w);
    }
    if (replacing) {
        // The file's own rights, not the ones the umask left; its owner where
        // the program may give it (a file of another user saved by root).
        if (error == 0 && ::fchmod(fd, mode) != 0)
            error = errno;
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not allowed for an ordinary user, who then owns the new file.
        }
    }
    // On the disk before the rename: after a power cut the name then holds
    // either the old file or the complete new one.
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return failed(systemText(error));
    }
    // The rename itself lives in the folder; make it permanent as well.
    const std::string folder = fs::path(target).parent_path().string();
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {true, {}};
}

#else

SafeWriteResult replaceFileContents(const std::string& path, const std::string& bytes)
{
    if (path.empty())
        return failed("no file name given");
    // (MinGW's library follows no links: the path is the file itself.)
    const std::string target = resolveLinks(path);
    std::error_code ec;
    const fs::file_status old = fs::status(pathFromUtf8(target), ec);
    const bool replacing = fs::exists(old);
    if (replacing && !fs::is_regular_file(old))
        return failed("it is not a regular file");
    // The read-only attribute, the write protection of Windows.
    if (replacing && (old.permissions() & fs::perms::owner_write) == fs::perms::none)
        return failed("the file is write-protected");

    // fopen's "x" is unknown to the C library MinGW links: _O_EXCL is what
    // refuses a name that is taken.
    std::string temporary;
    int error = 0;
    const int fd = createTemporary(target, temporary, error, [](const std::string& name) {
        return _wopen(widePath(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    });
    if (fd < 0)
        return failed(systemText(error));

    for (size_t done = 0; done < bytes.size() && error == 0;) {
        const unsigned chunk = unsigned(std::min<size_t>(bytes.size() - done, 1u << 30));
        const int w = _write(fd, bytes.data() + done, chunk);
        if (w <= 0)
            error = w < 0 ? errno : EIO;
        else
            done += size_t(w);
    }
    // On the disk before the rename (_commit is FlushFileBuffers).
    if (error == 0 && _commit(fd) != 0)
        error = errno;
    if (_close(fd) != 0 && error == 0)
        error = errno;
    std::string reason = error != 0 ? systemText(error) : std::string();
    if (reason.empty()) {
        // A rename onto an existing file fails on Windows. ReplaceFile puts the
        // new file in its place and keeps the old one's attributes, security
        // and creation time (its rights, as on POSIX); a new name is a move,
        // written through to the disk before it returns.
        const std::wstring from = widePath(temporary);
        const std::wstring to = widePath(target);
        const bool moved = replacing ? ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                                                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                                     : MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
        if (!moved)
            reason = windowsErrorText(GetLastError());
    }
    if (!reason.empty()) {
        _wunlink(widePath(temporary).c_str());
        return failed(reason);
    }
    return {true, {}};
}

#endif

} // namespace pxr
