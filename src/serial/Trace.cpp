#include "serial/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pxr {

bool DebugTrace = false;

namespace {
TraceSink& sink()
{
    static TraceSink s;
    return s;
}
} // namespace

void setTraceSink(TraceSink s) { sink() = std::move(s); }

void writeTraceLine(const std::string& line)
{
#ifdef _WIN32
    // What DebugView or a debugger's output window shows.
    OutputDebugStringA((line + "\n").c_str());
#endif
    std::fprintf(stderr, "%s\n", line.c_str());
}

void trace(const std::string& line)
{
    if (!DebugTrace)
        return;
    if (sink())
        sink()(line);
    else
        writeTraceLine(line);
}

std::string format(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), fmt, ap2);
        out.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(ap2);
    return out;
}

} // namespace pxr
