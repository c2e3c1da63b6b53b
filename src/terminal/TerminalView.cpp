#include "terminal/TerminalView.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "base/FixedPitchFont.h"

namespace pxr {

namespace {

constexpr int kCaretBlinkMs = 500;
constexpr int kCaretHeight = 2;

QColor colourOf(uint32_t rgb) { return QColor((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff); }

bool sameLook(const TerminalScreen::Cell& a, const TerminalScreen::Cell& b)
{
    return a.bold == b.bold && a.underline == b.underline && a.italic == b.italic
        && a.reverse == b.reverse && a.defaultFg == b.defaultFg && a.defaultBg == b.defaultBg
        && a.fg == b.fg && a.bg == b.bg;
}

} // namespace

TerminalView::TerminalView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("ComTerminal"));
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(pal);
    viewport()->setCursor(Qt::IBeamCursor);

    m_font = fixedPitchFont();
    m_font.setKerning(false);
    applyFont();

    m_screen.OnChanged = [this] { screenChanged(); };

    // The user scrolled (bar, wheel, keys of the bar): the view follows the
    // cursor again once its row is back in view, and stays where the user
    // put it otherwise. The signal comes before the bar moves.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] {
        m_followCursor = cursorRowShown(verticalScrollBar()->sliderPosition());
    });

    m_caretTimer.setInterval(kCaretBlinkMs);
    connect(&m_caretTimer, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        viewport()->update();
    });
}

void TerminalView::feed(const std::string& bytes)
{
    if (isVisible())
        m_screen.feed(bytes);
    else
        m_screen.feedUnseen(bytes);
}

void TerminalView::showEvent(QShowEvent* e)
{
    QAbstractScrollArea::showEvent(e);
    m_screen.settle();
}

void TerminalView::ComTerminalDblClick()
{
    m_screen.clear();
    m_followCursor = true;
    updateScrollBars();
    viewport()->update();
}

void TerminalView::setFontSize(int points) { changeFont(std::clamp(points, kMinFontSize, kMaxFontSize), m_bold); }

void TerminalView::setFontBold(bool bold) { changeFont(m_fontSize, bold); }

void TerminalView::changeFont(int points, bool bold)
{
    if (points == m_fontSize && bold == m_bold)
        return;
    m_fontSize = points;
    m_bold = bold;
    applyFont();
}

void TerminalView::applyFont()
{
    m_font.setPointSize(m_fontSize);
    m_font.setBold(m_bold);
    QFont bolder = m_font;
    bolder.setBold(true);
    const QFontMetrics fm(m_font);
    const QFontMetrics fb(bolder);
    // Bold glyphs must fit the same cells.
    m_cellWidth = std::max({1, fm.horizontalAdvance(QLatin1Char('M')), fb.horizontalAdvance(QLatin1Char('M'))});
    m_cellHeight = std::max({1, fm.height(), fb.height()});
    m_ascent = std::max(fm.ascent(), fb.ascent());
    m_plainFits = fm.horizontalAdvance(QLatin1Char('M')) == m_cellWidth;
    m_boldFits = fb.horizontalAdvance(QLatin1Char('M')) == m_cellWidth;
    updateGeometry();
    updateScrollBars();
    viewport()->update();
}

QSize TerminalView::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return {kColumns * m_cellWidth + frame + verticalScrollBar()->sizeHint().width(),
            kRows * m_cellHeight + frame};
}

void TerminalView::updateScrollBars()
{
    const int lines = static_cast<int>(m_screen.scrollback().size()) + m_screen.rows();
    const QSize vp = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, m_screen.cols() * m_cellWidth - vp.width()));
    h->setPageStep(vp.width());
    h->setSingleStep(m_cellWidth);
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, lines * m_cellHeight - vp.height()));
    v->setPageStep(vp.height());
    v->setSingleStep(m_cellHeight);
    m_scrollbackShown = m_screen.scrollback().size();
    if (m_followCursor)
        showCursorRow();
}

int TerminalView::cursorLine() const
{
    return static_cast<int>(m_screen.scrollback().size()) + m_screen.cursorRow();
}

bool TerminalView::cursorRowShown(int scrollValue) const
{
    const int top = cursorLine() * m_cellHeight;
    return top >= scrollValue && top + m_cellHeight <= scrollValue + viewport()->height();
}

void TerminalView::showCursorRow()
{
    // As a terminal does: scroll only as far as needed to bring the cursor's
    // row into view, at the bottom when it is below, at the top when above.
    // A larger font leaves the view shorter than the screen; the meter's
    // answer and the echo (the top rows) then stay in view while the
    // cursor is there.
    QScrollBar* v = verticalScrollBar();
    const int top = cursorLine() * m_cellHeight;
    int value = v->value();
    if (top + m_cellHeight > value + viewport()->height())
        value = top + m_cellHeight - viewport()->height();
    if (top < value)
        value = top;
    v->setValue(value);
}

void TerminalView::screenChanged()
{
    if (m_screen.scrollback().size() != m_scrollbackShown)
        updateScrollBars();
    else if (m_followCursor && !cursorRowShown(verticalScrollBar()->value()))
        showCursorRow();
    // The caret stays visible while text arrives or is typed.
    if (m_caretTimer.isActive()) {
        m_caretOn = true;
        m_caretTimer.start();
    }
    m_repaint.request();
}

void TerminalView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

void TerminalView::scrollContentsBy(int, int) { viewport()->update(); }

bool TerminalView::event(QEvent* e)
{
    // Esc is the meters' stop key here, not the window's Cancel.
    if (e->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        e->accept();
        return true;
    }
    return QAbstractScrollArea::event(e);
}

void TerminalView::setInputNote(const QString& note)
{
    if (note == m_inputNote)
        return;
    m_inputNote = note;
    viewport()->update();
}

QString TerminalView::busyNote(const QString& operation)
{
    return QStringLiteral("Typing is not sent while %1 talks to the meter.").arg(operation);
}

void TerminalView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), Qt::white);
    const int x0 = -horizontalScrollBar()->value();
    const int y0 = -verticalScrollBar()->value();
    const auto& back = m_screen.scrollback();
    const int backLines = static_cast<int>(back.size());
    const int total = backLines + m_screen.rows();
    const int first = std::max(0, -y0 / m_cellHeight);
    const int last = std::min(total - 1, (viewport()->height() - y0) / m_cellHeight);
    const int cols = m_screen.cols();

    QFont bolder = m_font;
    bolder.setBold(true);
    std::vector<TerminalScreen::Cell> line(static_cast<size_t>(cols));
    QString run;
    for (int l = first; l <= last; ++l) {
        if (l < backLines)
            line = back[static_cast<size_t>(l)];
        else
            for (int c = 0; c < cols; ++c)
                line[static_cast<size_t>(c)] = m_screen.cell(l - backLines, c);
        const int y = y0 + l * m_cellHeight;
        for (int c = 0; c < cols;) {
            const TerminalScreen::Cell& look = line[static_cast<size_t>(c)];
            int end = c;
            run.clear();
            while (end < cols && sameLook(line[static_cast<size_t>(end)], look)) {
                const char32_t ch = line[static_cast<size_t>(end)].ch;
                run += ch ? QString::fromUcs4(&ch, 1) : QStringLiteral(" ");
                ++end;
            }
            QColor fg = look.defaultFg ? QColor(Qt::black) : colourOf(look.fg);
            QColor bg = look.defaultBg ? QColor(Qt::white) : colourOf(look.bg);
            if (look.reverse)
                std::swap(fg, bg);
            const QRect area(x0 + c * m_cellWidth, y, (end - c) * m_cellWidth, m_cellHeight);
            if (bg != Qt::white)
                p.fillRect(area, bg);
            if (!run.trimmed().isEmpty()) {
                QFont f = look.bold ? bolder : m_font;
                f.setUnderline(look.underline);
                f.setItalic(look.italic);
                p.setFont(f);
                p.setPen(fg);
                const bool fits = look.bold || m_bold ? m_boldFits : m_plainFits;
                const bool ascii = std::all_of(run.begin(), run.end(), [](QChar q) { return q.unicode() < 0x7f; });
                if (fits && ascii) {
                    p.drawText(QPoint(area.x(), y + m_ascent), run);
                } else {
                    // Cell by cell: a glyph from a fallback font must not shift the rest.
                    for (int i = 0; i < end - c; ++i)
                        p.drawText(QPoint(area.x() + i * m_cellWidth, y + m_ascent), run.mid(i, 1));
                }
            }
            c = end;
        }
    }

    if (!m_inputNote.isEmpty()) {
        const QFontMetrics fm(font());
        const int h = fm.height() + 8;
        const QRect bar(0, viewport()->height() - h, viewport()->width(), h);
        p.fillRect(bar, QColor(255, 236, 150));
        p.setPen(Qt::black);
        p.setFont(font());
        p.drawText(bar.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, m_inputNote);
    }

    if (hasFocus() && m_caretOn && m_screen.cursorVisible()) {
        const int row = backLines + m_screen.cursorRow();
        const int col = std::min(m_screen.cursorCol(), cols - 1);
        p.fillRect(x0 + col * m_cellWidth, y0 + row * m_cellHeight + m_cellHeight - kCaretHeight,
                   m_cellWidth, kCaretHeight, Qt::black);
    }
}

std::string TerminalView::keyBytes(int key, Qt::KeyboardModifiers, const QString& text)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return "\r";
    case Qt::Key_Backspace:
        return "\b";
    case Qt::Key_Tab:
        return "\t";
    case Qt::Key_Escape:
        return "\x1b";
    default:
        break;
    }
    std::string out;
    for (const uint ch : text.toUcs4()) {
        const int byte = TerminalScreen::byteOfChar(ch);
        if (byte > 0 || ch == 0)
            out += static_cast<char>(byte);
    }
    return out;
}

void TerminalView::keyPressEvent(QKeyEvent* e)
{
    const std::string bytes = keyBytes(e->key(), e->modifiers(), e->text());
    if (bytes.empty()) {
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    e->accept();
    m_followCursor = true;
    showCursorRow();
    // A lone ESC (the meters' stop key) is not echoed: shown, it would open
    // an escape sequence and swallow the next typed character.
    if (OnSend && OnSend(bytes) && LocalEcho && bytes != "\x1b")
        feed(bytes);
}

void TerminalView::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    ComTerminalDblClick();
}

void TerminalView::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    m_caretOn = true;
    m_caretTimer.start();
    viewport()->update();
}

void TerminalView::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    m_caretTimer.stop();
    viewport()->update();
}

// Tab is a character for the meter, not a way out of the terminal.
bool TerminalView::focusNextPrevChild(bool) { return false; }

} // namespace pxr
