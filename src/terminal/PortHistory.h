#pragma once
// CPortHistory1: the last 256 received lines, kept as raw bytes and rendered
// as text, hexadecimal or enclosed hexadecimal. With NoCRLF (PXR500C, whose
// fields carry no line end) every received block of at least a field's eight
// characters, or ending in LF, is one line (smaller blocks are gathered);
// otherwise lines end with their LF and a partial line waits for the next block.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "serial/ComPort.h"

namespace pxr {

enum class HistoryStyle { Ascii, Hex, HexEnclosed };

// Attaching to another port (setComPort) clears the history.
class PortHistory : public AttachedConsumer {
public:
    static constexpr size_t kMaxLines = 256;

    bool NoCRLF = false;

    void setStyle(HistoryStyle style);
    HistoryStyle style() const { return m_style; }

    // A received block.
    void addBlock(const std::string& block);
    // A line of the simulated device, which never passes a port: recorded as
    // a meter would have sent it, with CR LF.
    void addSimulatedLine(std::string_view line);
    void clear();

    const std::deque<std::string>& lines() const { return m_lines; }
    const std::string& pending() const { return m_pending; }

    // Raised by every stored line and every style change; the view redraws
    // (at most every 300 ms) when it has moved since the last redraw.
    uint64_t changeCount() const { return m_changes; }

    static std::string renderLine(const std::string& raw, HistoryStyle style);
    // All stored lines in the current style, one per text line ("\n").
    std::string render() const;

    void comReceived(const std::string& block) override { addBlock(block); }

private:
    void portChanging() override { clear(); }
    void store(std::string line);

    HistoryStyle m_style = HistoryStyle::Ascii;
    std::deque<std::string> m_lines;
    std::string m_pending;
    std::string m_simulated; // reused, so no allocation per simulated line
    uint64_t m_changes = 0;
};

// LineCount: counts received (and echoed) lines for status panel 1. A blank
// (a run of blanks) counts on PXR500C, an LF on the other model lines; above
// 9999 it starts again at 0.
class LineCounter {
public:
    // Counts the characters; returns true when the count changed.
    bool count(const std::string& chars, bool pxr500c);
    void reset()
    {
        m_count = 0;
        m_lastWasBlank = false;
    }
    int32_t value() const { return m_count; }
    // "%.4d"
    std::string text() const;

private:
    int32_t m_count = 0;
    bool m_lastWasBlank = false;
};

} // namespace pxr
