#pragma once
// The running conversation with the meter in the status bar: what is being
// done ("Get Parameter: SF (5 of 15)"), a progress bar and a Cancel button.
// It shows only when the operation lasts longer than kShowAfterMs, so that
// the short measuring commands do not make it flicker, and goes as soon as
// the operation has ended.

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pxr {

class MeterConversation;

class ConversationPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShowAfterMs = 250;

    explicit ConversationPanel(QWidget* parent = nullptr);

    // Follows the conversation; call after every change.
    void follow(const MeterConversation& talk);

    // "Get Parameter: SF (5 of 15)", "Get Parameter: cancelling", "Device Info".
    static QString progressText(const MeterConversation& talk);

    QLabel* label() const { return m_label; }
    QProgressBar* bar() const { return m_bar; }
    QPushButton* cancelButton() const { return m_cancel; }

signals:
    void cancelClicked();
    // The panel appeared (the operation lasts) or went.
    void shown(bool visible, const QString& operation);

private:
    void appear();

    QLabel* m_label;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QTimer m_delay;
    bool m_active = false;
    QString m_operation;
};

} // namespace pxr
