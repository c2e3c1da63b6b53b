#pragma once
// Reading values out of profile (INI-style) text, the content of a parameter
// file. On Windows the program left this to the system's profile functions;
// no library here reads profile text the way those functions do, so the
// rules the program relies on are kept by hand:
//
//  - Lines end with CR LF, LF or CR alone. A UTF-8 byte-order mark at the
//    start is skipped (an editor may have added one).
//  - "[name]" opens a section; blanks inside the brackets and anything after
//    "]" do not count. A line that starts with "[" but has no "]" is ignored
//    and leaves the current section as it is.
//  - "key=value" inside a section: blanks (space, tab) before and after the
//    key and before and after the value are ignored. A line without "=",
//    with an empty key, or whose first non-blank character is ";" (a
//    comment) is ignored.
//  - Section and key names are compared without regard to (ASCII) case.
//  - A key given more than once, in one section or in several sections of
//    the same name, reads as its first occurrence.
//  - A value ends at a NUL byte. Quotes around a value are kept: the program
//    writes values verbatim and wants them back the same way.
//  - At most kProfileValueLimit characters of a value are returned.
//
// Texts are byte strings; nothing here depends on the locale.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pxr {

// Longest value the profile functions hand back (a 2048-byte buffer with its
// terminating NUL).
constexpr std::size_t kProfileValueLimit = 2047;

// Cuts the next line off `rest` and returns it without its line end (CR LF,
// LF or CR); `rest` becomes what follows. A text that ends with a line end
// has no empty line after it.
std::string_view nextTextLine(std::string_view& rest);

// ASCII letters compared without regard to case, all other bytes exactly.
bool sameTextIgnoringCase(std::string_view a, std::string_view b);

// True if the text has a section of that name.
bool profileHasSection(std::string_view text, std::string_view section);

// The value of `key` in `section`, or nothing if the section or the key is
// missing (an empty value that is present reads as an empty text).
std::optional<std::string> profileString(std::string_view text, std::string_view section,
                                         std::string_view key);

} // namespace pxr
