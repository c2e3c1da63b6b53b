#pragma once
// Answering what a command under test opens: a timer looks for the window as
// soon as the command's modal loop runs and acts on it as a user would.

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace pxr::test {

// Runs `act` on the first visible top-level widget of type T as soon as one
// shows (a modal dialog or message box opened by the command under test).
template <typename T>
void whenShown(QObject* owner, std::function<void(T*)> act)
{
    auto* timer = new QTimer(owner);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* t = qobject_cast<T*>(w);
            if (t && t->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(t);
                return;
            }
        }
    });
    timer->start();
}

// Notes the text of the next message box and closes it.
inline void answerMessageBox(QObject* owner, QString* text)
{
    whenShown<QMessageBox>(owner, [text](QMessageBox* m) {
        *text = m->text();
        m->accept();
    });
}

} // namespace pxr::test
