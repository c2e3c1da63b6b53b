#pragma once
// ComTerminal: the terminal of the "Terminal" tab. It shows a TerminalScreen
// (96 columns x 34 rows, black fixed-pitch text on white, underline caret)
// and hands every typed key to its owner as the byte the meter should get;
// with local echo the key is shown as if it had been received, once the
// owner reports it as sent. A double click clears the screen. When the view
// is smaller than the screen (a larger font), it keeps the cursor's row in
// view as a terminal does, until the user scrolls elsewhere.

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>

#include <functional>
#include <string>

#include "terminal/PacedCall.h"
#include "terminal/TerminalScreen.h"

namespace pxr {

class TerminalView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kRows = 34;
    static constexpr int kColumns = 96;
    static constexpr int kMinFontSize = 8;
    static constexpr int kMaxFontSize = 20;
    static constexpr int kFontStep = 2;
    // A change is drawn at once, later ones at most every kRepaintMs: a
    // stream changes the screen with every block, far more often than
    // anyone can see.
    static constexpr int kRepaintMs = 20;

    explicit TerminalView(QWidget* parent = nullptr);

    TerminalScreen& screen() { return m_screen; }
    const TerminalScreen& screen() const { return m_screen; }

    // Received bytes; behind another page the screen takes them in when
    // it is shown again (TerminalScreen::feedUnseen).
    void feed(const std::string& bytes);

    // Typed bytes go here; true when they went out (then they are echoed).
    std::function<bool(const std::string& bytes)> OnSend;
    bool LocalEcho = true;

    // ComTerminalDblClick
    void ComTerminalDblClick();

    int fontSize() const { return m_fontSize; }
    bool fontBold() const { return m_bold; }
    void setFontSize(int points);
    void setFontBold(bool bold);
    // "Terminal Font Size +" / "-": two points, within 8..20.
    void ToolButton8Click() { setFontSize(m_fontSize + kFontStep); }
    void ToolButton10Click() { setFontSize(m_fontSize - kFontStep); }

    // The byte a key press sends (empty: none). Enter sends CR only.
    static std::string keyBytes(int key, Qt::KeyboardModifiers modifiers, const QString& text);

    // A note across the foot of the terminal, e.g. that typing is not sent
    // while an operation talks to the meter; empty: none.
    void setInputNote(const QString& note);
    QString inputNote() const { return m_inputNote; }
    static QString busyNote(const QString& operation);

    // Size of one character cell, in pixels.
    QSize cellSize() const { return {m_cellWidth, m_cellHeight}; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Size and weight together; the cell grid is measured again when either changed.
    void changeFont(int points, bool bold);
    void applyFont();
    void updateScrollBars();
    void screenChanged();
    // Line of the cursor's row counted from the oldest scrolled-off line.
    int cursorLine() const;
    // Whether the cursor's row is in view with the bar at `scrollValue`.
    bool cursorRowShown(int scrollValue) const;
    void showCursorRow();

    TerminalScreen m_screen{kRows, kColumns};
    QFont m_font;
    int m_fontSize = kMinFontSize;
    bool m_bold = false;
    int m_cellWidth = 8;
    int m_cellHeight = 12;
    int m_ascent = 10;
    // Whether a run of ASCII text in the font keeps to the cell grid.
    bool m_plainFits = false;
    bool m_boldFits = false;
    size_t m_scrollbackShown = 0;
    bool m_followCursor = true;
    bool m_caretOn = true;
    QTimer m_caretTimer;
    PacedCall m_repaint{kRepaintMs, [this] { viewport()->update(); }};
    QString m_inputNote;
};

} // namespace pxr
