#include "serial/ComDataPacket.h"

namespace pxr {

void TComDataPacket::setStartString(const std::string& s) { changeFraming(m_start, s); }
void TComDataPacket::setStopString(const std::string& s) { changeFraming(m_stop, s); }
void TComDataPacket::setSize(int size) { changeFraming(m_size, size); }
void TComDataPacket::setCaseInsensitive(bool on) { changeFraming(m_caseInsensitive, on); }

void TComDataPacket::EmptyBuffer()
{
    // An empty buffer keeps InPacket: after a packet cut without a start
    // string the next one begins at once, even after a new start string.
    if (m_buffer.empty())
        return;
    m_buffer.clear();
    m_inPacket = false;
}

size_t TComDataPacket::find(const std::string& hay, const std::string& needle, size_t from) const
{
    if (!m_caseInsensitive)
        return hay.find(needle, from);
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
    if (needle.size() > hay.size())
        return std::string::npos;
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && up(hay[i + k]) == up(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string::npos;
}

std::string TComDataPacket::strip(std::string packet) const
{
    if (IncludeStrings)
        return packet;
    if (!m_start.empty() && find(packet, m_start, 0) == 0)
        packet.erase(0, m_start.size());
    if (!m_stop.empty() && packet.size() >= m_stop.size()) {
        // Only a stop string whose first occurrence closes the packet goes;
        // a size-cut packet with an earlier stop string keeps it.
        const size_t first = find(packet, m_stop, 0);
        if (first != std::string::npos && first == packet.size() - m_stop.size())
            packet.erase(first);
    }
    return packet;
}

void TComDataPacket::AddData(const std::string& chunk)
{
    if (!hasStopCondition()) {
        if (OnPacket)
            OnPacket(*this, chunk);
        return;
    }
    m_buffer += chunk;
    HandleBuffer();
}

void TComDataPacket::HandleBuffer()
{
    struct SizeCheck {
        TComDataPacket& f;
        ~SizeCheck()
        {
            if (f.MaxBufferSize > 0 && f.m_buffer.size() >= static_cast<size_t>(f.MaxBufferSize))
                f.EmptyBuffer();
        }
    } check{*this};

    for (;;) {
        if (!m_inPacket) {
            if (m_start.empty()) {
                m_inPacket = true;
            } else {
                const size_t p = find(m_buffer, m_start, 0);
                if (p == std::string::npos)
                    return;
                m_inPacket = true;
                m_buffer.erase(0, p);
            }
        }
        size_t length = std::string::npos;
        if (m_size > 0 && m_buffer.size() >= static_cast<size_t>(m_size)) {
            length = static_cast<size_t>(m_size);
        } else if (!m_stop.empty()) {
            const size_t from = std::min(m_start.size(), m_buffer.size());
            const size_t q = find(m_buffer, m_stop, from);
            if (q != std::string::npos)
                length = q + m_stop.size();
        }
        if (length == std::string::npos)
            return;
        m_inPacket = false;
        std::string packet = m_buffer.substr(0, length);
        m_buffer.erase(0, length);
        packet = strip(std::move(packet));
        if (OnPacket)
            OnPacket(*this, packet);
        // A handler may have changed the framing; the next pass uses the new one.
        if (!hasStopCondition())
            return;
    }
}

} // namespace pxr
