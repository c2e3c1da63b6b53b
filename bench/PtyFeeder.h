#pragma once
// A meter streaming readings into the master side of a pseudo-terminal, at a
// fixed line rate, in a process of its own (forked before any thread starts).
//
// Line n of the stream is "ddd.ddd" CR LF with n mod 1,000,000 thousandths
// as its value (9 bytes: a 460800-baud line carries 5,120 of them a second),
// so a lost, doubled or reordered line shows wherever the lines end up.
// Every 1000th line (n mod 1000 = 999) is a marker: the feeder notes the
// steady-clock time at which it wrote it, for the input latency.
//
// The feeder writes what is due every millisecond, about what a USB serial
// adapter hands the system at this rate. The master is non-blocking: a write
// that finds the terminal's buffer full (some 64 KiB the program has not read)
// is counted, because on a real line the adapter would have dropped those
// bytes; the feeder then retries and falls behind its schedule.
//
// Its figures live in memory shared with the parent, so they can be read
// while it runs.

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pxr::bench {

constexpr size_t kLineBytes = 9;
constexpr uint64_t kValueModulus = 1000000;
constexpr uint64_t kMarkerEvery = 1000;
// The most a 460800-baud line carries: 10 bits a character, 9 characters a line.
constexpr double kLineRate = 460800.0 / 10 / kLineBytes;

inline bool isMarker(uint64_t n) { return n % kMarkerEvery == kMarkerEvery - 1; }
// Appends line n ("ddd.ddd" CR LF).
inline void appendLine(std::string& block, uint64_t n)
{
    char buf[16];
    const unsigned v = static_cast<unsigned>(n % kValueModulus);
    std::snprintf(buf, sizeof buf, "%03u.%03u\r\n", v / 1000, v % 1000);
    block += buf;
}
// The thousandths of a decoded value "ddd.ddd" (also "5.000" or "5,000" as a
// log line writes it); -1 when it is not such a number.
long long thousandths(const char* text, size_t size);

long long monotonicNs();

// A pseudo-terminal in raw mode; `slave` is the path the program opens.
struct Pty {
    int master = -1;
    std::string slave;
};
Pty openPty();

class PtyFeeder {
public:
    struct Shared {
        std::atomic<uint64_t> sent{0};
        // Episodes in which the terminal's buffer was full.
        std::atomic<uint64_t> ptyFull{0};
        // The most bytes the feeder was ever behind its schedule.
        std::atomic<uint64_t> worstBacklog{0};
        std::atomic<int64_t> startNs{0};
        std::atomic<int64_t> endNs{0};
        std::atomic<bool> done{false};
        std::atomic<uint64_t> markers{0};
    };

    // Forks the feeder of lines first .. first + count - 1 at `rate` lines
    // a second; it waits for start().
    PtyFeeder(int master, uint64_t first, uint64_t count, double rate);
    ~PtyFeeder();
    PtyFeeder(const PtyFeeder&) = delete;
    PtyFeeder& operator=(const PtyFeeder&) = delete;

    bool ok() const { return m_pid > 0 && m_shared; }
    bool start();
    // Readable (one byte) once the last line is written.
    int doneFd() const { return m_done; }
    const Shared& shared() const { return *m_shared; }
    bool done() const { return m_shared->done.load(); }
    uint64_t first() const { return m_first; }
    uint64_t count() const { return m_count; }
    uint64_t end() const { return m_first + m_count; }
    double rate() const { return m_rate; }
    // Seconds from the first write to the last, and the rate achieved.
    double seconds() const;
    double achieved() const;
    // The write time of marker line n (steady clock, ns); 0 if not written.
    long long markerNs(uint64_t n) const;
    // Lets the feeder end (it keeps the master open until then, so the
    // program never sees a hang-up) and reaps it.
    void finish();

private:
    [[noreturn]] void run(int master, int go, int done);

    pid_t m_pid = -1;
    int m_go = -1;
    int m_done = -1;
    uint64_t m_first = 0;
    uint64_t m_count = 0;
    double m_rate = 0;
    uint64_t m_firstMarker = 0;
    size_t m_markerSlots = 0;
    size_t m_mapped = 0;
    Shared* m_shared = nullptr;
    long long* m_markerNs = nullptr;
};

// Takes the values that arrive (decoded, logged), one per line, checks them
// against the stream's numbering and keeps the latency of its marker lines.
class StreamCheck {
public:
    void setFeeder(const PtyFeeder* feeder) { m_feeder = feeder; }
    // One line's value text, as it arrived at `now` (steady clock, ns).
    void value(const char* text, size_t size, long long now);
    // The number of the line expected next.
    uint64_t next() const { return m_next; }
    uint64_t seen() const { return m_seen; }
    // Values that were not the line expected (or no number at all).
    uint64_t outOfSequence() const { return m_bad; }
    std::vector<double>& latencyMs() { return m_latency; }

private:
    const PtyFeeder* m_feeder = nullptr;
    uint64_t m_next = 0, m_seen = 0, m_bad = 0;
    std::vector<double> m_latency;
};

} // namespace pxr::bench
