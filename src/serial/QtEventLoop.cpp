#include "serial/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace pxr {

QtEventLoop::QtEventLoop() { m_clock.start(); }

uint32_t QtEventLoop::tickCount() const { return static_cast<uint32_t>(m_clock.elapsed()); }

double QtEventLoop::elapsedMs() const { return m_clock.nsecsElapsed() / 1e6; }

void QtEventLoop::waitFor(uint32_t ms)
{
    if (ms == 0)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(static_cast<int>(ms));
    loop.exec();
}

void QtEventLoop::processEvents() { QCoreApplication::processEvents(); }

void QtEventLoop::post(std::function<void()> fn)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

namespace {
class QtTimer : public Timer {
public:
    QtTimer()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_callback)
                m_callback();
        });
    }
    void start(uint32_t intervalMs) override { m_timer.start(static_cast<int>(intervalMs)); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    uint32_t interval() const override { return static_cast<uint32_t>(m_timer.interval()); }
    void setSingleShot(bool s) override { m_timer.setSingleShot(s); }
    void setCallback(std::function<void()> cb) override { m_callback = std::move(cb); }

private:
    QTimer m_timer;
    std::function<void()> m_callback;
};
} // namespace

std::unique_ptr<Timer> QtEventLoop::createTimer() { return std::make_unique<QtTimer>(); }

} // namespace pxr
