#pragma once
// Carries what the meter hands over onto a real line (a pseudo-terminal,
// which by itself passes bytes on at once) at the pace of a serial line:
// 10 bits a byte at the meter's baud rate. A byte is given to the line once
// it has wholly crossed it, so the far end can never see bytes sooner or
// faster than a real line delivers them.
//
// A caller that wakes late (a loaded machine) does not make up for lost
// time in a burst: at most `slackMs` worth of bytes goes out at once and
// the rest follows at the line's pace, so the line only ever gets slower,
// never faster. Free of OS calls: the caller tells the time.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <vector>

namespace pxr {

class LinePacer {
public:
    static constexpr double kNever = std::numeric_limits<double>::infinity();

    // wholePieces: every handed-over piece goes out in one write once its
    // last byte has crossed (a driver that passes on whole blocks); else
    // the bytes go out as they cross.
    explicit LinePacer(bool wholePieces = false, double slackMs = 1.0);

    void setBaudRate(uint32_t baud);
    uint32_t baudRate() const { return m_baud; }

    // A piece the meter hands over at nowMs; it goes onto the line behind
    // whatever is still waiting.
    void push(const std::string& bytes, double nowMs);

    // What has crossed the line by nowMs, one entry per write.
    std::vector<std::string> take(double nowMs);

    // When take() next has something to give; kNever when nothing waits.
    double nextDueMs() const;
    // When everything handed over will have crossed the line (nowMs or
    // earlier when the line is idle).
    double busyUntilMs(double nowMs) const;
    bool empty() const { return m_pieces.empty(); }
    void clear();

private:
    struct Piece {
        std::string bytes;
        double atMs;
    };
    double byteMs() const { return 10000.0 / static_cast<double>(m_baud); }
    // When the next unsent byte would have crossed, on an unhurried line.
    double nominalEndMs(std::size_t bytes) const;

    bool m_whole;
    double m_slackMs;
    uint32_t m_baud = 9600;
    std::deque<Piece> m_pieces;
    std::size_t m_sent = 0;          // bytes of the front piece already given to the line
    double m_lineFreeMs = -kNever;   // when the last byte given to the line had crossed
};

} // namespace pxr
