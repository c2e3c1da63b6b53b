#pragma once
// The core's event loop on Qt: waits are nested QEventLoops ended by a
// precise timer, so a 1000 ms wait handles events meanwhile and costs no CPU.

#include <QElapsedTimer>

#include "base/EventLoop.h"

namespace pxr {

class QtEventLoop : public EventLoop {
public:
    QtEventLoop();
    uint32_t tickCount() const override;
    void waitFor(uint32_t ms) override;
    void processEvents() override;
    void post(std::function<void()> fn) override;
    std::unique_ptr<Timer> createTimer() override;

    // Milliseconds with fractions, for time stamps.
    double elapsedMs() const;

private:
    QElapsedTimer m_clock;
};

} // namespace pxr
