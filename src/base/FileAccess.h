#pragma once
// The few file-system calls whose form differs between POSIX and Windows,
// in one place. Every path in the core is a byte string in UTF-8, on every
// platform: on Windows these functions hand it to the wide-character calls,
// because the narrow ones (fopen, a std::filesystem::path made from a
// std::string) read it in the ANSI code page and would make "Meßwerte.csv"
// a different file.

#include <cstddef>
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

// Creates a file that must not exist yet and opens it for binary writing.
// On failure returns null and sets `error` to the errno value (EEXIST when
// the name is taken).
std::FILE* createNewFile(const std::string& utf8Path, int& error);

// Appends the bytes to a file that exists, in one write at its end: the file
// is not created again when it has gone. Other programs may read the file
// meanwhile. On failure returns false with the system's text in `error`.
bool appendToExistingFile(const std::string& utf8Path, const char* data, std::size_t size,
                          std::string& error);

// Puts `from` in the place of `to`, replacing a file that is there in one
// step (rename on POSIX; MoveFileEx with MOVEFILE_REPLACE_EXISTING on
// Windows, where a plain rename refuses an existing target). On failure
// returns false with the system's text in `error`.
bool replaceFile(const std::string& from, const std::string& to, std::string& error);

// The system's text for an errno value.
std::string errnoText(int error);

} // namespace pxr
