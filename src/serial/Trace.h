#pragma once
// Exchange trace: with the "debug" switch every exchange and reading is
// written as one line to the trace sink (stderr in the Qt build).

#include <functional>
#include <string>

namespace pxr {

// Process-wide switch, false at start; set from the command line.
extern bool DebugTrace;

using TraceSink = std::function<void(const std::string& line)>;
// Replaces the sink; an empty sink writes to stderr.
void setTraceSink(TraceSink sink);
// Writes the line when DebugTrace is on.
void trace(const std::string& line);
// printf-style formatting into a std::string (used for the program's fixed formats).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace pxr
