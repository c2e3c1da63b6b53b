#pragma once
// Paths as the core keeps them: byte strings in UTF-8, on every platform.
// On Windows they go to the wide-character calls, because the narrow ones
// (fopen, a std::filesystem::path made from a std::string) read a path in
// the ANSI code page and would make "Meßwerte.csv" another file. Every file
// access of the core takes its path through here.

#include <cstdio>
#include <filesystem>
#include <string>

namespace pxr {

// A path object for a UTF-8 path, and the UTF-8 text of a path object.
std::filesystem::path pathFromUtf8(const std::string& utf8);
std::string utf8FromPath(const std::filesystem::path& path);

// fopen with a UTF-8 path; `mode` as for fopen ("rb", "wb", ...). Null with
// errno set on failure.
std::FILE* openFile(const std::string& utf8Path, const char* mode);

#ifdef _WIN32
// The path as Windows' wide-character calls take it.
std::wstring widePath(const std::string& utf8Path);
// The system's message for a Windows error code (GetLastError), in UTF-8,
// without the full stop and line end the system ends it with.
std::string windowsErrorText(unsigned long code);
#endif

} // namespace pxr
