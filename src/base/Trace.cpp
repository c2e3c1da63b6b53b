#include "base/Trace.h"

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

std::string escapeControls(const std::string& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\0': out += "\\0"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 0x0F];
            } else {
                out += ch;
            }
        }
    }
    return out;
}

void trace(const std::string& line)
{
    if (!DebugTrace)
        return;
    const std::string escaped = escapeControls(line);
    if (sink())
        sink()(escaped);
    else
        writeTraceLine(escaped);
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
