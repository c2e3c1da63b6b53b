#include "terminal/HistoryView.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <utility>

#include "terminal/PortHistory.h"

namespace pxr {

// The boxes are made without a parent: the window places them.
HistoryView::HistoryView(PortHistory& history, QObject* owner) : QObject(owner), m_history(history)
{
    setObjectName(QStringLiteral("HistoryView"));

    m_historyBox = new QGroupBox(QStringLiteral("History Serial Interface"));
    auto* historyLayout = new QVBoxLayout(m_historyBox);
    m_text = new QPlainTextEdit(m_historyBox);
    m_text->setObjectName(QStringLiteral("CPortHistory1"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont courier;
    courier.setFamilies({QStringLiteral("Courier"), QStringLiteral("Courier New"),
                         QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    courier.setStyleHint(QFont::TypeWriter);
    m_text->setFont(courier);
    historyLayout->addWidget(m_text);

    m_styleBox = new QGroupBox(QStringLiteral("History Style"));
    auto* styleLayout = new QHBoxLayout(m_styleBox);
    const std::pair<const char*, HistoryStyle> styles[] = {
        {"Ascii", HistoryStyle::Ascii}, {"Hex", HistoryStyle::Hex}, {"Hex Enclosed", HistoryStyle::HexEnclosed}};
    int number = 1;
    for (const auto& [caption, style] : styles) {
        auto* button = new QRadioButton(QString::fromLatin1(caption), m_styleBox);
        button->setObjectName(QStringLiteral("RadioButton%1").arg(number++));
        button->setChecked(style == m_history.style());
        styleLayout->addWidget(button);
        connect(button, &QRadioButton::clicked, this, [this, s = style] { m_history.setStyle(s); });
    }
    styleLayout->addStretch();

    m_text->installEventFilter(this);
    connect(&m_timer, &QTimer::timeout, this, &HistoryView::redraw);
    m_timer.start(kRedrawMs);
}

bool HistoryView::eventFilter(QObject* watched, QEvent* e)
{
    // Its page comes to the front: what waited is shown at once.
    if (watched == m_text && e->type() == QEvent::Show) {
        redraw();
        m_timer.start(kRedrawMs);
    }
    return QObject::eventFilter(watched, e);
}

void HistoryView::redraw()
{
    // Behind another page nobody sees it: it waits until it is shown.
    if (!m_text->isVisible() && m_text->window()->isVisible()) {
        m_timer.stop();
        return;
    }
    if (m_history.changeCount() == m_drawn)
        return;
    m_drawn = m_history.changeCount();
    // One byte per character, as received.
    m_text->setPlainText(QString::fromLatin1(m_history.render()));
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
}

} // namespace pxr
