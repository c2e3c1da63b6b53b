#pragma once
// An event loop for the core benchmarks: nothing waits and no timer fires,
// so what is measured is the reading path alone (the 100 ms refresh of the
// live number is not part of it).

#include <functional>
#include <memory>

#include "base/EventLoop.h"

namespace pxr::bench {

class IdleTimer : public Timer {
public:
    void start(uint32_t ms) override
    {
        m_interval = ms;
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    uint32_t interval() const override { return m_interval; }
    void setSingleShot(bool) override {}
    void setCallback(std::function<void()>) override {}

private:
    uint32_t m_interval = 0;
    bool m_active = false;
};

class IdleLoop : public EventLoop {
public:
    uint32_t tickCount() const override { return 0; }
    void waitFor(uint32_t) override {}
    void processEvents() override {}
    void post(std::function<void()> fn) override { fn(); }
    std::unique_ptr<Timer> createTimer() override { return std::make_unique<IdleTimer>(); }
};

} // namespace pxr::bench
