#include "app/ConversationPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "serial/MeterConversation.h"

namespace pxr {

ConversationPanel::ConversationPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ConversationPanel"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("ConversationText"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ConversationProgress"));
    m_bar->setTextVisible(false);
    m_bar->setFixedWidth(100);
    m_bar->setMaximumHeight(14);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("btn_CancelOperation"));
    m_cancel->setFocusPolicy(Qt::NoFocus); // the terminal keeps the focus
    m_cancel->setToolTip(QStringLiteral("End the operation after the current exchange (Esc)"));
    row->addWidget(m_label);
    row->addWidget(m_bar);
    row->addWidget(m_cancel);
    connect(m_cancel, &QPushButton::clicked, this, &ConversationPanel::cancelClicked);
    m_delay.setSingleShot(true);
    m_delay.setInterval(kShowAfterMs);
    connect(&m_delay, &QTimer::timeout, this, &ConversationPanel::appear);
    hide();
}

QString ConversationPanel::progressText(const MeterConversation& talk)
{
    const ConversationProgress& p = talk.progress();
    QString text = QString::fromStdString(p.phase.empty() ? talk.operation() : p.phase);
    if (talk.cancelRequested())
        return text + QStringLiteral(": cancelling");
    if (p.total > 0 && p.step > 0)
        text += QStringLiteral(": %1 (%2 of %3)").arg(QString::fromStdString(p.item)).arg(p.step).arg(p.total);
    return text;
}

void ConversationPanel::follow(const MeterConversation& talk)
{
    const bool wasActive = m_active;
    m_active = talk.active();
    if (!m_active) {
        m_delay.stop();
        if (isVisible()) {
            hide();
            emit shown(false, m_operation);
        }
        return;
    }
    m_operation = QString::fromStdString(talk.operation());
    const ConversationProgress& p = talk.progress();
    m_label->setText(progressText(talk));
    // Without a count the bar only says that something goes on.
    m_bar->setRange(0, p.total);
    m_bar->setValue(p.total > 0 ? std::max(0, p.step - 1) : 0);
    m_cancel->setEnabled(!talk.cancelRequested());
    if (!wasActive)
        m_delay.start();
}

void ConversationPanel::appear()
{
    if (!m_active)
        return;
    show();
    emit shown(true, m_operation);
}

} // namespace pxr
