#include "base/FileAccess.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pxr {

namespace fs = std::filesystem;

fs::path pathFromUtf8(const std::string& utf8) { return fs::u8path(utf8); }

std::string utf8FromPath(const fs::path& path) { return path.u8string(); }

#ifdef _WIN32

std::wstring widePath(const std::string& utf8Path) { return pathFromUtf8(utf8Path).native(); }

std::FILE* openFile(const std::string& utf8Path, const char* mode)
{
    return _wfopen(widePath(utf8Path).c_str(), std::wstring(mode, mode + std::strlen(mode)).c_str());
}

std::string windowsErrorText(unsigned long code)
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
    return utf8FromPath(fs::path(text));
}

#else

std::FILE* openFile(const std::string& utf8Path, const char* mode) { return std::fopen(utf8Path.c_str(), mode); }

#endif

} // namespace pxr
