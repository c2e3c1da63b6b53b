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
    flush();
}

void LogView::tick()
{
    flush();
    // Nobody sees the view behind another page; a fast stream would lay out
    // every line there all the same, as the log only keeps the newest ones.
    // The timer itself slows down there, so that a quiet program is not
    // woken 20 times a second for nothing.
    const bool behindPage = !isVisible() && window()->isVisible();
    const int interval = behindPage ? kFlushMs * kHiddenPasses : kFlushMs;
    if (m_timer.interval() != interval)
        m_timer.setInterval(interval);
}

void LogView::showEvent(QShowEvent* e)
{
    QPlainTextEdit::showEvent(e);
    flush();
    m_timer.start(kFlushMs);
}

void LogView::flush()
{
    if (!m_log)
        return;
    if (m_log->clearCount() != m_shownClears) {
        m_shownClears = m_log->clearCount();
        clear();
        moveCursor(QTextCursor::Start);
    }
    if (m_log->serial() == m_shownSerial)
        return;
    // The log holds fewer lines than the view has rows, so a pass never
    // takes more than the view keeps.
    QString text;
    m_log->forEachLineAfter(m_shownSerial, [&](const std::string& line) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QString::fromLatin1(line.data(), int(line.size()));
    });
    m_shownSerial = m_log->serial();
    if (text.isEmpty())
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    appendPlainText(text);
    if (atEnd)
        bar->setValue(bar->maximum());
}

} // namespace pxr
