#include "PtyFeeder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>

namespace pxr::bench {

long long thousandths(const char* text, size_t size)
{
    long long whole = 0, frac = 0;
    size_t i = 0, digits = 0, fracDigits = 0;
    while (i < size && text[i] == ' ')
        ++i;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        whole = whole * 10 + (text[i] - '0');
    if (digits == 0 || digits > 6 || i >= size || (text[i] != '.' && text[i] != ','))
        return -1;
    for (++i; i < size && text[i] >= '0' && text[i] <= '9'; ++i, ++fracDigits)
        frac = frac * 10 + (text[i] - '0');
    if (fracDigits != 3 || i != size)
        return -1;
    return whole * 1000 + frac;
}

long long monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Pty openPty()
{
    Pty p;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        if (master >= 0)
            close(master);
        return p;
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    p.master = master;
    p.slave = ptsname(master);
    return p;
}

PtyFeeder::PtyFeeder(int master, uint64_t first, uint64_t count, double rate)
    : m_first(first), m_count(count), m_rate(rate)
{
    m_firstMarker = first + (kMarkerEvery - 1 + kMarkerEvery - first % kMarkerEvery) % kMarkerEvery;
    m_markerSlots = static_cast<size_t>(count / kMarkerEvery + 2);
    m_mapped = sizeof(Shared) + m_markerSlots * sizeof(long long);
    void* mem = mmap(nullptr, m_mapped, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED)
        return;
    m_shared = new (mem) Shared;
    m_markerNs = reinterpret_cast<long long*>(static_cast<char*>(mem) + sizeof(Shared));
    int go[2], done[2];
    // Close-on-exec: a program the bench starts must not hold them.
    if (pipe2(go, O_CLOEXEC) != 0)
        return;
    if (pipe2(done, O_CLOEXEC) != 0) {
        close(go[0]);
        close(go[1]);
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        close(go[1]);
        close(done[0]);
        run(master, go[0], done[1]);
    }
    close(go[0]);
    close(done[1]);
    m_go = go[1];
    m_done = done[0];
}

PtyFeeder::~PtyFeeder()
{
    finish();
    if (m_done >= 0)
        close(m_done);
    if (m_shared)
        munmap(m_shared, m_mapped);
}

bool PtyFeeder::start() { return m_go >= 0 && write(m_go, "g", 1) == 1; }

void PtyFeeder::finish()
{
    if (m_go >= 0) {
        // A feeder still waiting for "go" ends when its pipe closes.
        (void)!write(m_go, "q", 1);
        close(m_go);
        m_go = -1;
    }
    if (m_pid > 0) {
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

double PtyFeeder::seconds() const
{
    const int64_t end = m_shared->endNs.load();
    const int64_t start = m_shared->startNs.load();
    return end > start ? (end - start) / 1e9 : 0.0;
}

double PtyFeeder::achieved() const
{
    const double s = seconds();
    return s > 0 ? double(m_shared->sent.load()) / s : 0.0;
}

long long PtyFeeder::markerNs(uint64_t n) const
{
    if (n < m_firstMarker || !isMarker(n))
        return 0;
    const uint64_t k = (n - m_firstMarker) / kMarkerEvery;
    return k < m_shared->markers.load() ? m_markerNs[k] : 0;
}

void PtyFeeder::run(int master, int go, int done)
{
    char c;
    if (read(go, &c, 1) != 1 || c != 'g')
        _exit(0);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    Shared& s = *m_shared;
    std::string block;
    char sink[4096];
    const long long t0 = monotonicNs();
    s.startNs = t0;
    uint64_t next = m_first;       // the next line to put into a block
    size_t off = 0;                // bytes of `block` already written
    uint64_t written = 0;          // bytes written in all
    bool full = false;
    while (next < end() || off < block.size()) {
        // What the program writes (a command, an ESC at its end) is read and dropped.
        while (read(master, sink, sizeof sink) > 0) {
        }
        if (off == block.size()) {
            const double due = (monotonicNs() - t0) / 1e9 * m_rate;
            const uint64_t upTo = std::min<uint64_t>(end(), m_first + static_cast<uint64_t>(due) + 1);
            if (upTo <= next) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            block.clear();
            off = 0;
            const long long now = monotonicNs();
            for (; next < upTo; ++next) {
                if (isMarker(next) && s.markers < m_markerSlots)
                    m_markerNs[s.markers++] = now;
                appendLine(block, next);
            }
        }
        const ssize_t w = write(master, block.data() + off, block.size() - off);
        if (w > 0) {
            off += static_cast<size_t>(w);
            written += static_cast<uint64_t>(w);
            full = false;
        } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!full)
                ++s.ptyFull;
            full = true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        } else {
            _exit(2);
        }
        if (off == block.size())
            s.sent = next - m_first;
        const double dueBytes = (monotonicNs() - t0) / 1e9 * m_rate * kLineBytes;
        if (dueBytes > double(written)) {
            const uint64_t behind = static_cast<uint64_t>(dueBytes - double(written));
            if (behind > s.worstBacklog)
                s.worstBacklog = std::min<uint64_t>(behind, m_count * kLineBytes);
        }
    }
    s.endNs = monotonicNs();
    s.done = true;
    (void)!write(done, "d", 1);
    // Keep the master open until told to go, so the program never sees a hang-up.
    while (read(go, &c, 1) < 0 && errno == EINTR) {
    }
    _exit(0);
}

void StreamCheck::value(const char* text, size_t size, long long now)
{
    ++m_seen;
    const long long th = thousandths(text, size);
    if (th < 0 || uint64_t(th) != m_next % kValueModulus) {
        ++m_bad;
        if (th >= 0) // carry on from the line that came
            m_next = m_next - m_next % kValueModulus + uint64_t(th);
    }
    if (m_feeder && isMarker(m_next))
        if (const long long t = m_feeder->markerNs(m_next))
            m_latency.push_back((now - t) / 1e6);
    ++m_next;
}

} // namespace pxr::bench
