#include "measurement/OnlineLog.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "base/FileAccess.h"
#include "base/SafeFile.h"
#include "base/Trace.h"

namespace pxr {

namespace {

// "%.3f" without the C library's locale (the GUI toolkit sets LC_NUMERIC
// from the user's environment), then the regional separator.
char* fixed3(char* out, char* end, double v, char separator)
{
    const auto r = std::to_chars(out, end, v, std::chars_format::fixed, 3);
    if (r.ec != std::errc())
        return out;
    if (separator != '.')
        for (char* p = out; p != r.ptr; ++p)
            if (*p == '.')
                *p = separator;
    return r.ptr;
}

#ifndef _WIN32
std::string systemText(int err) { return std::strerror(err); }
#endif

// The header and the lines, each ended by CR LF.
std::string logFileText(const std::vector<const std::string*>& lines)
{
    std::string text = std::string(kLogHeader) + "\r\n";
    for (const std::string* l : lines) {
        text += *l;
        text += "\r\n";
    }
    return text;
}

} // namespace

size_t FormatLogLine(char* buf, const Reading& reading, char decimalSeparator)
{
    char* const end = buf + kLogLineBuffer;
    char* p = fixed3(buf, end, reading.t, decimalSeparator);
    *p++ = ';';
    if (reading.valid)
        p = fixed3(p, end, reading.value, decimalSeparator);
    return static_cast<size_t>(p - buf);
}

std::string FormatLogLine(const Reading& reading, char decimalSeparator)
{
    char buf[kLogLineBuffer];
    return std::string(buf, FormatLogLine(buf, reading, decimalSeparator));
}

bool AppendLogLine(const std::string& path, const char* line, size_t length, std::string& error)
{
    // One line and its CR LF in one write: the file never holds half a line
    // when the program stops between the two.
    char stack[kLogLineBuffer + 2];
    std::string heap;
    const char* out = stack;
    const size_t total = length + 2;
    if (total <= sizeof stack) {
        std::memcpy(stack, line, length);
        std::memcpy(stack + length, "\r\n", 2);
    } else {
        heap.assign(line, length);
        heap += "\r\n";
        out = heap.data();
    }
#ifndef _WIN32
    // Opening without O_CREAT takes only what exists: a log file deleted
    // meanwhile ends the logging instead of being created again with a
    // stray line. O_APPEND puts every write at the end, so there is no
    // seek (stdio's seek reads back the file's last block on every line).
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        error = systemText(errno);
        return false;
    }
    // Where the line starts: a write cut short by a full disk is taken back
    // to here, so that the file ends with the last whole line.
    struct stat before {};
    const bool sized = ::fstat(fd, &before) == 0;
    int err = 0;
    size_t done = 0;
    while (done < total) {
        const ssize_t w = ::write(fd, out + done, total - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            err = w < 0 ? errno : EIO;
            break;
        }
        done += size_t(w);
    }
    if (err != 0 && done > 0 && (!sized || ::ftruncate(fd, before.st_size) != 0))
        err = EIO; // the part stays; say so rather than claim a whole file
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        error = systemText(err);
#else
    // OPEN_EXISTING, as O_APPEND without O_CREAT above; the sharing lets
    // other programs read (and delete) the file between two lines.
    const HANDLE h = CreateFileW(widePath(path).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = windowsErrorText(GetLastError());
        return false;
    }
    // Where the line starts: a write cut short by a full disk is taken back
    // to here, as above.
    LARGE_INTEGER start{};
    DWORD err = SetFilePointerEx(h, LARGE_INTEGER{}, &start, FILE_END) ? 0 : GetLastError();
    DWORD done = 0;
    while (err == 0 && done < total) {
        DWORD written = 0;
        if (!WriteFile(h, out + done, DWORD(total - done), &written, nullptr))
            err = GetLastError();
        else if (written == 0)
            err = ERROR_WRITE_FAULT;
        done += written;
    }
    if (err != 0 && done > 0 && !(SetFilePointerEx(h, start, nullptr, FILE_BEGIN) && SetEndOfFile(h)))
        err = ERROR_WRITE_FAULT; // the part stays; say so rather than claim a whole file
    if (!CloseHandle(h) && err == 0)
        err = GetLastError();
    if (err != 0)
        error = windowsErrorText(err);
#endif
    return err == 0;
}

bool WriteLogFile(const std::string& path, const std::vector<const std::string*>& lines, std::string& error)
{
    const SafeWriteResult r = replaceFileContents(path, logFileText(lines));
    if (!r.ok)
        error = format("Cannot write file \"%s\". %s", path.c_str(), r.reason.c_str());
    return r.ok;
}

OnlineLog::OnlineLog(Stopwatch& ATimer1, UiHooks& ui, LogWindowUi* window)
    : m_timer(ATimer1), m_ui(ui), m_window(window), m_lines(kLogLines)
{
}

void OnlineLog::appendToWindow(const char* text, size_t length)
{
    size_t index;
    if (m_count >= kLogLines) {
        index = m_head;
        m_head = (m_head + 1) % kLogLines;
    } else {
        index = (m_head + m_count) % kLogLines;
        ++m_count;
    }
    m_lines[index].assign(text, length); // keeps the slot's capacity
    ++m_serial;
}

void OnlineLog::LogReading(const Reading& reading)
{
    char buf[kLogLineBuffer];
    const size_t n = FormatLogLine(buf, reading, m_separator);
    appendToWindow(buf, n);
    if (!fileLoggingOn())
        return;
    std::string error;
    if (AppendLogLine(m_logFileName, buf, n, error))
        return;
    // The recording has stopped: say so, or the user would trust a file
    // that no longer grows.
    const std::string name = m_logFileName;
    stopFileLogging();
    m_ui.setStatusText(2, format(" Log File stopped: %s: %s", name.c_str(), error.c_str()));
}

void OnlineLog::setChecked(bool on)
{
    m_checked = on;
    if (m_window)
        m_window->setStartStopLog(m_checked, startStopLogCaption());
}

void OnlineLog::stopFileLogging()
{
    m_ui.setStatusText(2, std::string());
    m_logFileName.clear();
    setChecked(false);
}

void OnlineLog::acStartStopLogExecute()
{
    if (m_checked) {
        stopFileLogging();
        return;
    }
    m_checked = true;
    const std::string dir = m_window ? m_window->logDirectory() : std::string();
    const std::string path = m_window ? m_window->chooseLogFile(dir) : std::string();
    if (path.empty()) {
        setChecked(false);
        return;
    }
    std::string error;
    if (!WriteLogFile(path, {}, error)) {
        m_logFileName.clear();
        setChecked(false);
        m_ui.showError(error);
        return;
    }
    m_logFileName = path;
    // The first logged reading carries the time since the file was started.
    m_timer.Start();
    m_ui.setStatusText(2, " Log File: " + path);
    setChecked(true);
}

void OnlineLog::acSaveLogExecute()
{
    const std::string dir = m_window ? m_window->logDirectory() : std::string();
    const std::string path = m_window ? m_window->chooseLogFile(dir) : std::string();
    if (path.empty())
        return;
    std::string error;
    if (!WriteLogFile(path, windowLines(), error))
        m_ui.showError(error);
}

void OnlineLog::acClearLogExecute()
{
    m_timer.Start();
    if (m_window)
        m_window->resetLineCount();
    m_head = 0;
    m_count = 0;
    ++m_clears;
}

std::vector<const std::string*> OnlineLog::windowLines() const
{
    std::vector<const std::string*> lines;
    lines.reserve(m_count);
    for (size_t i = 0; i < m_count; ++i)
        lines.push_back(&line(i));
    return lines;
}

std::string OnlineLog::logWindowText() const { return logFileText(windowLines()); }

} // namespace pxr
