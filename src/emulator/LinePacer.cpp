#include "emulator/LinePacer.h"

#include <algorithm>
#include <cmath>

namespace pxr {

LinePacer::LinePacer(bool wholePieces, double slackMs) : m_whole(wholePieces), m_slackMs(std::max(0.0, slackMs)) {}

void LinePacer::setBaudRate(uint32_t baud)
{
    if (baud != 0)
        m_baud = baud;
}

void LinePacer::push(const std::string& bytes, double nowMs)
{
    if (!bytes.empty())
        m_pieces.push_back({bytes, nowMs});
}

void LinePacer::clear()
{
    m_pieces.clear();
    m_sent = 0;
}

double LinePacer::nominalEndMs(std::size_t bytes) const
{
    const Piece& front = m_pieces.front();
    return std::max(m_lineFreeMs, front.atMs) + static_cast<double>(bytes) * byteMs();
}

double LinePacer::nextDueMs() const
{
    if (m_pieces.empty())
        return kNever;
    return nominalEndMs(m_whole ? m_pieces.front().bytes.size() : 1);
}

double LinePacer::busyUntilMs(double nowMs) const
{
    if (m_pieces.empty())
        return m_lineFreeMs;
    std::size_t left = m_pieces.front().bytes.size() - m_sent;
    for (std::size_t i = 1; i < m_pieces.size(); ++i)
        left += m_pieces[i].bytes.size();
    const double start = std::max({m_lineFreeMs, m_pieces.front().atMs, nowMs - m_slackMs});
    return start + static_cast<double>(left) * byteMs();
}

std::vector<std::string> LinePacer::take(double nowMs)
{
    std::vector<std::string> writes;
    const double b = byteMs();
    // Time lost by a late caller is not made up beyond the slack.
    const double earliest = nowMs - m_slackMs;
    while (!m_pieces.empty()) {
        Piece& front = m_pieces.front();
        const std::size_t left = front.bytes.size() - m_sent;
        if (m_whole) {
            const double end = std::max(nominalEndMs(left), earliest);
            if (end > nowMs)
                break;
            writes.push_back(front.bytes.substr(m_sent));
            m_lineFreeMs = end;
        } else {
            const double first = std::max(nominalEndMs(1), earliest);
            if (first > nowMs)
                break;
            const auto crossed = static_cast<std::size_t>(std::floor((nowMs - first) / b)) + 1;
            const std::size_t n = std::min(left, crossed);
            if (writes.empty())
                writes.emplace_back();
            writes.back() += front.bytes.substr(m_sent, n);
            m_lineFreeMs = first + static_cast<double>(n - 1) * b;
            if (n < left) {
                m_sent += n;
                break;
            }
        }
        m_pieces.pop_front();
        m_sent = 0;
    }
    return writes;
}

} // namespace pxr
