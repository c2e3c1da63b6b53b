#pragma once
// Exchange trace: with the "debug" switch every exchange and reading is
// written as one line to the trace sink: by default to stderr and, on
// Windows, also to the system debugger output (OutputDebugString).

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
// Writes the line when DebugTrace is on.
void trace(const std::string& line);
// printf-style formatting into a std::string (used for the program's fixed formats).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace pxr
