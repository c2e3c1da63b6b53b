#include "measurement/Stopwatch.h"

#include <chrono>

namespace pxr {

Stopwatch::Stopwatch() : m_clock(&Stopwatch::steadySeconds) {}

Stopwatch::Stopwatch(Clock clock) : m_clock(clock ? std::move(clock) : Clock(&Stopwatch::steadySeconds)) {}

double Stopwatch::steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void Stopwatch::Start()
{
    m_start = m_clock();
    m_started = true;
}

double Stopwatch::ElapsedSeconds() const
{
    return m_started ? m_clock() - m_start : 0.0;
}

} // namespace pxr
