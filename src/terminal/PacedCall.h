#pragma once
// A call made at once when asked for, and, when asked for again within the
// next `ms`, once more at the end of that time: what it shows is the latest
// state, at most every `ms`. A stream asks with every block, far more often
// than anyone can see.

#include <QTimer>

#include <functional>
#include <utility>

namespace pxr {

class PacedCall {
public:
    PacedCall(int ms, std::function<void()> call) : m_call(std::move(call))
    {
        m_timer.setSingleShot(true);
        m_timer.setInterval(ms);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (!m_pending)
                return;
            m_pending = false;
            m_call();
            m_timer.start();
        });
    }
    PacedCall(const PacedCall&) = delete;
    PacedCall& operator=(const PacedCall&) = delete;

    void request()
    {
        if (m_timer.isActive()) {
            m_pending = true;
            return;
        }
        m_call();
        m_timer.start();
    }

private:
    std::function<void()> m_call;
    QTimer m_timer;
    bool m_pending = false;
};

} // namespace pxr
