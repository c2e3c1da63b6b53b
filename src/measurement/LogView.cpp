#include "measurement/LogView.h"

#include <QScrollBar>

#include "measurement/OnlineLog.h"
#include "base/FixedPitchFont.h"

namespace pxr {

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("Terminal1"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setMaximumBlockCount(kRows);
    QFont f = fixedPitchFont();
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
    // Long lines wrap at the view's width; 96 columns fit the page.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const QString hint = QStringLiteral("Click Right Mouse Button for Menu");
    setToolTip(hint);
    setStatusTip(hint);
    setContextMenuPolicy(Qt::CustomContextMenu);

    m_timer.setInterval(kFlushMs);
    connect(&m_timer, &QTimer::timeout, this, &LogView::tick);
    m_timer.start();
}

void LogView::attach(const OnlineLog* log)
{
    m_log = log;
    clear();
    m_shownSerial = 0;
    m_shownClears = log ? log->clearCount() : 0;
    m_waiting.clear();
    m_replace = false;
    flush();
}

void LogView::tick()
{
    flush();
    // Nobody sees the view behind another page; there its passes only take
    // the new lines from the log (which keeps the newest ones only), and
    // the timer slows down, so that a quiet program is not woken 20 times a
    // second for nothing.
    const int interval = behindPage() ? kFlushMs * kHiddenPasses : kFlushMs;
    if (m_timer.interval() != interval)
        m_timer.setInterval(interval);
}

void LogView::showEvent(QShowEvent* e)
{
    QPlainTextEdit::showEvent(e);
    flush();
    m_timer.start(kFlushMs);
}

bool LogView::behindPage() const { return !isVisible() && window()->isVisible(); }

void LogView::flush()
{
    if (!m_log)
        return;
    if (m_log->clearCount() != m_shownClears) {
        m_shownClears = m_log->clearCount();
        m_waiting.clear();
        m_replace = false;
        clear();
        moveCursor(QTextCursor::Start);
    }
    if (m_log->serial() != m_shownSerial) {
        m_log->forEachLineAfter(m_shownSerial, [&](const std::string& line) {
            m_waiting.push_back(QString::fromLatin1(line.data(), int(line.size())));
        });
        m_shownSerial = m_log->serial();
        // The view keeps kRows rows: lines before the last kRows would only
        // be pushed out again, and so would every row it has now.
        if (m_waiting.size() >= kRows) {
            m_waiting.erase(m_waiting.begin(), m_waiting.end() - kRows);
            m_replace = true;
        }
    }
    // Behind another page the lines wait, as they would appear.
    if (m_waiting.isEmpty() || behindPage())
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    if (m_replace)
        clear();
    appendPlainText(m_waiting.join(QLatin1Char('\n')));
    m_waiting.clear();
    m_replace = false;
    if (atEnd)
        bar->setValue(bar->maximum());
}

} // namespace pxr
