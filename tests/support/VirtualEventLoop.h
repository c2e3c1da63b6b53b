#pragma once
// An event loop in virtual time: a queue of timed callbacks. waitFor(ms) runs
// what falls due and moves the clock; nothing sleeps, so a test of a readout
// that times out sixteen times takes microseconds.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "base/EventLoop.h"

namespace pxr::test {

class VirtualEventLoop : public EventLoop {
public:
    uint32_t tickCount() const override { return static_cast<uint32_t>(static_cast<uint64_t>(m_now)); }
    void waitFor(uint32_t ms) override { runUntil(m_now + ms); }
    void processEvents() override { runUntil(m_now); }
    void post(std::function<void()> fn) override { schedule(m_now, std::move(fn)); }
    std::unique_ptr<Timer> createTimer() override;

    double nowMs() const { return m_now; }
    // Starts the clock somewhere else, e.g. just before the 32-bit wrap.
    void setNow(double ms) { m_now = ms; }
    using Id = uint64_t;
    Id schedule(double atMs, std::function<void()> fn);
    void cancel(Id id);
    // Runs everything due up to atMs (callbacks may wait themselves).
    void runUntil(double atMs);
    size_t pending() const { return m_queue.size(); }

private:
    double m_now = 0.0;
    Id m_next = 1;
    // (time, sequence) keeps callbacks of the same time in scheduling order.
    std::map<std::pair<double, Id>, std::function<void()>> m_queue;
    std::map<Id, double> m_times;
};

} // namespace pxr::test
