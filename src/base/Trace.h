#pragma once
// Exchange trace: with the "debug" switch every exchange and reading is
// written as one line to the trace sink: by default to stderr and, on
// Windows, also to the system debugger output (OutputDebugString). Control
// characters of the traced text are written escaped, so that a reply with
// CR LF or NUL in it stays on its one line and is not cut short.

#include <functional>
#include <string>

namespace pxr {

// Process-wide switch, false at start; set from the command line.
extern bool DebugTrace;

using TraceSink = std::function<void(const std::string& line)>;
// Replaces the sink; an empty sink gives back the default one.
void setTraceSink(TraceSink sink);
// The default sink: the line to stderr and, on Windows, to the debugger output.
void writeTraceLine(const std::string& line);
// Writes the line, escaped, when DebugTrace is on. Build lines with bytes
// of the meter by concatenation, not with format(): "%s" ends at a NUL.
void trace(const std::string& line);
// CR, LF and NUL as \r \n \0, the other bytes below 0x20 and DEL as
// \xNN, and the backslash itself as \\, so that every traced line reads
// back unambiguously; all other bytes unchanged.
std::string escapeControls(const std::string& text);
// printf-style formatting into a std::string (used for the program's fixed formats).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace pxr
