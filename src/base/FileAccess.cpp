#include "base/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace pxr {

namespace fs = std::filesystem;

fs::path pathFromUtf8(const std::string& utf8) { return fs::u8path(utf8); }

std::string utf8FromPath(const fs::path& path) { return path.u8string(); }

std::string errnoText(int error) { return std::strerror(error); }

#ifdef _WIN32

namespace {

std::wstring wide(const std::string& utf8) { return pathFromUtf8(utf8).native(); }

// The system's message for a Windows error code, in UTF-8 like every other
// text of the core, without the ".\r\n" the system puts at its end.
std::string windowsErrorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n != 0 && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    if (text.empty())
        return "Windows error " + std::to_string(code);
    return fs::path(text).u8string();
}

} // namespace

std::FILE* openFile(const std::string& utf8Path, const char* mode)
{
    return _wfopen(wide(utf8Path).c_str(), std::wstring(mode, mode + std::strlen(mode)).c_str());
}

std::FILE* createNewFile(const std::string& utf8Path, int& error)
{
    // The C library of MinGW ignores fopen's "x": O_EXCL is the way to
    // refuse a name that is taken.
    const int fd = _wopen(wide(utf8Path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) {
        error = errno;
        _close(fd);
    }
    return f;
}

bool appendToExistingFile(const std::string& utf8Path, const char* data, std::size_t size,
                          std::string& error)
{
    // FILE_APPEND_DATA alone puts every write at the end, as O_APPEND does;
    // OPEN_EXISTING does not bring back a file that was deleted; the sharing
    // lets other programs read (and delete) the file between two lines.
    const HANDLE h = CreateFileW(wide(utf8Path).c_str(), FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = windowsErrorText(GetLastError());
        return false;
    }
    DWORD failure = 0;
    for (std::size_t done = 0; done < size && failure == 0;) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(h, data + done, chunk, &written, nullptr))
            failure = GetLastError();
        else if (written == 0)
            failure = ERROR_WRITE_FAULT;
        done += written;
    }
    if (!CloseHandle(h) && failure == 0)
        failure = GetLastError();
    if (failure != 0)
        error = windowsErrorText(failure);
    return failure == 0;
}

bool replaceFile(const std::string& from, const std::string& to, std::string& error)
{
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = windowsErrorText(GetLastError());
    return false;
}

#else

std::FILE* openFile(const std::string& utf8Path, const char* mode) { return std::fopen(utf8Path.c_str(), mode); }

std::FILE* createNewFile(const std::string& utf8Path, int& error)
{
    errno = 0;
    std::FILE* f = std::fopen(utf8Path.c_str(), "wbx");
    if (!f)
        error = errno;
    return f;
}

bool appendToExistingFile(const std::string& utf8Path, const char* data, std::size_t size,
                          std::string& error)
{
    // Opening without O_CREAT takes only what exists: a log file deleted
    // meanwhile ends the logging instead of being created again with a
    // stray line. O_APPEND puts every write at the end, so there is no
    // seek (stdio's seek reads back the file's last block on every line).
    const int fd = ::open(utf8Path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        error = errnoText(errno);
        return false;
    }
    int err = 0;
    for (std::size_t done = 0; done < size;) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            err = w < 0 ? errno : EIO;
            break;
        }
        done += std::size_t(w);
    }
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        error = errnoText(err);
    return err == 0;
}

bool replaceFile(const std::string& from, const std::string& to, std::string& error)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    error = errnoText(errno);
    return false;
}

#endif

} // namespace pxr
