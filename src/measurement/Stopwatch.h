#pragma once
// ATimer1: the time base of all readings, in seconds since its last start.
// It reads a monotonic clock (steady_clock unless a test injects one) and
// reads 0 until it has been started for the first time.

#include <functional>

namespace pxr {

class Stopwatch {
public:
    // Seconds on some monotonic scale; only differences matter.
    using Clock = std::function<double()>;

    Stopwatch();
    explicit Stopwatch(Clock clock);

    // (Re)starts the time base at the clock's current reading.
    void Start();
    bool started() const { return m_started; }
    // Seconds since the last Start, 0 before the first one.
    double ElapsedSeconds() const;

    // The clock of the program: std::chrono::steady_clock in seconds.
    static double steadySeconds();

private:
    Clock m_clock;
    double m_start = 0.0;
    bool m_started = false;
};

} // namespace pxr
