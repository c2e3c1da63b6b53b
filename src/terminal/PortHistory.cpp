#include "terminal/PortHistory.h"

#include "base/Trace.h"

namespace pxr {

void PortHistory::setStyle(HistoryStyle style)
{
    m_style = style;
    ++m_changes;
}

void PortHistory::clear()
{
    m_lines.clear();
    m_pending.clear();
    ++m_changes;
}

void PortHistory::store(std::string line)
{
    if (m_lines.size() >= kMaxLines)
        m_lines.pop_front();
    m_lines.push_back(std::move(line));
    ++m_changes;
}

void PortHistory::addBlock(const std::string& block)
{
    if (NoCRLF) {
        // A block used to be one line, which is what a serial adapter's reads
        // of a few milliseconds give. A meter that sends at the line's pace
        // over a pseudo-terminal or a fast adapter arrives a byte or two at a
        // time, so the bytes are gathered until a line end or until a block
        // ends with a whole field (8 characters) or more.
        // A reply's line end that comes after its field closes that line.
        m_pending += block;
        if (m_pending.size() < 8 && block.find('\n') == std::string::npos)
            return;
        if (!m_lines.empty() && m_lines.back().size() < 4096
            && m_pending.find_first_not_of("\r\n") == std::string::npos) {
            m_lines.back() += m_pending;
            ++m_changes;
        } else {
            store(std::move(m_pending));
        }
        m_pending.clear();
        return;
    }
    size_t pos = 0;
    for (;;) {
        const size_t lf = block.find('\n', pos);
        if (lf == std::string::npos)
            break;
        m_pending.append(block, pos, lf + 1 - pos);
        store(std::move(m_pending));
        m_pending.clear();
        pos = lf + 1;
    }
    m_pending.append(block, pos, std::string::npos);
    // A line that never ends (noise without LF) must not grow without bound;
    // it is stored as it stands once it is longer than any meter line.
    if (m_pending.size() > 4096) {
        store(std::move(m_pending));
        m_pending.clear();
    }
}

void PortHistory::addSimulatedLine(std::string_view line)
{
    m_simulated.assign(line.data(), line.size());
    m_simulated += "\r\n";
    addBlock(m_simulated);
}

std::string PortHistory::renderLine(const std::string& raw, HistoryStyle style)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    switch (style) {
    case HistoryStyle::Ascii:
        out.reserve(raw.size());
        for (char c : raw) {
            const auto u = static_cast<unsigned char>(c);
            if (u >= 32 && u <= 127)
                out += c;
        }
        break;
    case HistoryStyle::Hex:
        out.reserve(raw.size() * 3);
        for (char c : raw) {
            const auto u = static_cast<unsigned char>(c);
            out += digits[u >> 4];
            out += digits[u & 15];
            out += ' ';
        }
        break;
    case HistoryStyle::HexEnclosed:
        out.reserve(raw.size() * 4);
        for (char c : raw) {
            const auto u = static_cast<unsigned char>(c);
            out += '[';
            out += digits[u >> 4];
            out += digits[u & 15];
            out += ']';
        }
        break;
    }
    return out;
}

std::string PortHistory::render() const
{
    std::string out;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (i)
            out += '\n';
        out += renderLine(m_lines[i], m_style);
    }
    return out;
}

bool LineCounter::count(const std::string& chars, bool pxr500c)
{
    const char mark = pxr500c ? ' ' : '\n';
    bool changed = false;
    for (char c : chars) {
        // PXR500C fields begin with a blank and are right-aligned in eight
        // characters ("    5.00"): a run of blanks counts once.
        const bool repeat = pxr500c && m_lastWasBlank;
        m_lastWasBlank = c == ' ';
        if (c != mark || repeat)
            continue;
        ++m_count;
        if (m_count > 9999)
            m_count = 0;
        changed = true;
    }
    return changed;
}

std::string LineCounter::text() const { return format("%.4d", m_count); }

} // namespace pxr
