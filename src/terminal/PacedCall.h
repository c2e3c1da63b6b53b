#pragma once
// A call made at once when asked for, and, when asked for again within the
// next `ms`, once more at the end of that time: what it shows is the latest
// state, at most every `ms`. A stream asks with every block, far more often
// than anyone can see.
//
// Given a window to ride along with, a call that waits is made when that
// window is about to be repainted anyway (from `ms`/2 after the last call
// on), so that what it changes is painted in the same pass; without such a
// repaint it is made 2 x `ms` after the last call. A status bar panel then
// costs no wake-up and no paint pass of its own while the window repaints
// its live figures.

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace pxr {

class PacedCall : private QObject {
public:
    PacedCall(int ms, std::function<void()> call, QWidget* rideWith = nullptr)
        : m_call(std::move(call)), m_ms(ms), m_window(rideWith)
    {
        m_timer.setSingleShot(true);
        m_timer.setInterval(rideWith ? 2 * ms : ms);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_pending)
                callNow();
        });
        if (rideWith)
            rideWith->installEventFilter(this);
    }
    PacedCall(const PacedCall&) = delete;
    PacedCall& operator=(const PacedCall&) = delete;
    ~PacedCall() override
    {
        if (m_window)
            m_window->removeEventFilter(this);
    }

    void request()
    {
        if (m_timer.isActive()) {
            m_pending = true;
            return;
        }
        callNow();
    }

private:
    void callNow()
    {
        m_pending = false;
        m_since.start();
        m_call();
        m_timer.start();
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        // Before the window paints: what the call changes is painted too.
        if (e->type() == QEvent::UpdateRequest && m_pending && watched == m_window &&
            m_since.hasExpired(m_ms / 2))
            callNow();
        return false;
    }

    std::function<void()> m_call;
    int m_ms;
    QPointer<QWidget> m_window;
    QTimer m_timer;
    QElapsedTimer m_since;
    bool m_pending = false;
};

} // namespace pxr
