#pragma once
// The traffic history on the "Device" page: CPortHistory1 shows what the
// port received (the controller's PortHistory) in the style the radio
// buttons RadioButton1..3 choose. The view builds its two group boxes, the
// text and the style buttons; the main window places them on its page.

#include <QObject>
#include <QTimer>

#include <cstdint>

class QGroupBox;
class QPlainTextEdit;
class QRadioButton;

namespace pxr {

class PortHistory;

class HistoryView : public QObject {
    Q_OBJECT
public:
    // Redraws from `history` from now on; the view is a child of `owner`.
    HistoryView(PortHistory& history, QObject* owner);

    // "History Serial Interface" with the text, and "History Style" with
    // the buttons, for the window to place.
    QGroupBox* historyBox() const { return m_historyBox; }
    QGroupBox* styleBox() const { return m_styleBox; }
    QPlainTextEdit* text() const { return m_text; }

    // Passes of the redraw timer: each draw renders and lays out the whole
    // history. Behind another page it is not drawn and the timer rests;
    // shown again, it is drawn at once.
    static constexpr int kRedrawMs = 300;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void redraw();

    PortHistory& m_history;
    QGroupBox* m_historyBox = nullptr;
    QGroupBox* m_styleBox = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QTimer m_timer;
    uint64_t m_drawn = 0;
};

} // namespace pxr
