#pragma once
// The online log: every reading becomes one line "time;value" (three
// decimals, the regional decimal separator, an empty value for a reading
// that could not be decoded). The log window keeps the last 255 lines; while
// file logging is on, every line is also appended to the log file, which is
// opened, appended, flushed and closed per line so that each reading is on
// disk at once and other programs can read the file meanwhile.
//
// A failed append ends file logging as Stop Log File does and says why in
// status panel 2; the readings keep flowing to the window and to everything
// else.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "measurement/Reading.h"
#include "measurement/Stopwatch.h"
#include "base/UiHooks.h"

namespace pxr {

constexpr const char* kLogHeader = "Time;Value";

// Formats "%.3f;%.3f" (or "%.3f;" for a reading that is not valid) into buf, with
// `decimalSeparator` as the decimal point, independent of the C locale.
// Returns the length; buf must hold kLogLineBuffer characters.
constexpr size_t kLogLineBuffer = 720;
size_t FormatLogLine(char* buf, const Reading& reading, char decimalSeparator);
std::string FormatLogLine(const Reading& reading, char decimalSeparator);

// Appends one line + CR LF to an existing file: open, write, close. A file
// that no longer exists is not created again. A write cut short (a full
// disk) is taken back, so the file still ends with its last whole line. On
// failure returns false with the system's text in `error`.
bool AppendLogLine(const std::string& path, const char* line, size_t length, std::string& error);
// Writes a new file of the header and the lines, each followed by CR LF, in
// place of whatever the path held (replaceFileContents: whole or not there).
bool WriteLogFile(const std::string& path, const std::vector<const std::string*>& lines,
                  std::string& error);

// What the online log needs of the window: the folder and dialog of a log
// file, the Start/Stop Log File action, the received-line counter.
class LogWindowUi {
public:
    // Directory/LogFile of the directory setup.
    virtual std::string logDirectory() = 0;
    // The CSV save dialog started in `initialDir`; the chosen path, or empty
    // when the user cancelled.
    virtual std::string chooseLogFile(const std::string& initialDir) = 0;
    // acStartStopLog's checked state and caption.
    virtual void setStartStopLog(bool checked, const std::string& caption) = 0;
    // The received-line counter of the terminal page starts again from 0.
    virtual void resetLineCount() = 0;

protected:
    ~LogWindowUi() = default;
};

class OnlineLog : public ReadingSink {
public:
    static constexpr size_t kLogLines = 255;

    // Without a window the dialogs count as cancelled.
    OnlineLog(Stopwatch& ATimer1, UiHooks& ui, LogWindowUi* window = nullptr);
    void setWindow(LogWindowUi* window) { m_window = window; }

    // The regional settings' decimal separator.
    void setDecimalSeparator(char c) { m_separator = c; }
    char decimalSeparator() const { return m_separator; }

    void LogReading(const Reading& reading);

    void acStartStopLogExecute();
    void acSaveLogExecute();
    void acClearLogExecute();

    bool startStopLogChecked() const { return m_checked; }
    std::string startStopLogCaption() const { return m_checked ? "Stop Log File" : "Start Log File"; }
    const std::string& LogFileName() const { return m_logFileName; }
    bool fileLoggingOn() const { return m_checked && !m_logFileName.empty(); }

    // LogLines, oldest first.
    size_t lineCount() const { return m_count; }
    const std::string& line(size_t i) const { return m_lines[(m_head + i) % kLogLines]; }

    // For the log view, which appends in batches: `serial` counts every
    // line ever logged, `clearCount` every Clear Log Window. The view clears
    // itself when clearCount moved and then takes the lines after the last
    // serial it has shown (at most the 255 still held).
    uint64_t serial() const { return m_serial; }
    uint64_t clearCount() const { return m_clears; }
    template <class F> void forEachLineAfter(uint64_t shownSerial, F&& f) const
    {
        const uint64_t first = m_serial - m_count; // serial of the line before line(0)
        size_t from = shownSerial > first ? static_cast<size_t>(shownSerial - first) : 0;
        for (size_t i = from; i < m_count; ++i)
            f(line(i));
    }

    // The text Save Log Window writes: the header and LogLines, each line
    // ended by CR LF.
    std::string logWindowText() const;

    // Stops file logging (Start/Stop Log File pressed while on).
    void stopFileLogging();

private:
    void takeReading(const Reading& reading) override { LogReading(reading); }
    void setChecked(bool on);
    std::vector<const std::string*> windowLines() const;
    void appendToWindow(const char* text, size_t length);

    Stopwatch& m_timer;
    UiHooks& m_ui;
    LogWindowUi* m_window = nullptr;
    char m_separator = '.';
    bool m_checked = false;
    std::string m_logFileName;
    std::vector<std::string> m_lines; // ring of kLogLines, capacity reused
    size_t m_head = 0;
    size_t m_count = 0;
    uint64_t m_serial = 0;
    uint64_t m_clears = 0;
};

} // namespace pxr
