#include "terminal/TerminalPage.h"

#include <QAction>
#include <QDialog>

#include "app/MainForm.h"
#include "devices/FieldBinding.h"
#include "parameters/BaudRateChange.h"
#include "parameters/ChangeBdDlg.h"
#include "terminal/TerminalView.h"

namespace pxr {

TerminalPage::TerminalPage(TMainForm& form)
    : QObject(&form), m_form(form), m_port(&form.controller().port()), m_view(form.ComTerminal)
{
    setObjectName(QStringLiteral("TerminalPage"));
    // From creation on, so that the terminal sees every received byte.
    m_port->attach(this);

    if (m_view) {
        m_view->OnSend = [this](const std::string& bytes) { return write(bytes); };
        m_view->screen().OnOutput = [this](const std::string& bytes) { write(bytes); };
        m_view->screen().ComTerminalChar = [this](const std::string& chars) { ComTerminalChar(chars); };
        TerminalView* view = m_view;
        if (QAction* plus = form.findChild<QAction*>(QStringLiteral("ToolButton8")))
            connect(plus, &QAction::triggered, view, [view] { view->ToolButton8Click(); });
        if (QAction* minus = form.findChild<QAction*>(QStringLiteral("ToolButton10")))
            connect(minus, &QAction::triggered, view, [view] { view->ToolButton10Click(); });
        if (QAction* bold = form.findChild<QAction*>(QStringLiteral("tb_Bold")))
            connect(bold, &QAction::toggled, view, [view](bool down) { view->setFontBold(down); });
    }

    form.controller().setHandler("acBaudrate", [this] { acBaudrateExecute(); });

    m_countPanel.setSingleShot(true);
    m_countPanel.setInterval(kCountPanelMs);
    connect(&m_countPanel, &QTimer::timeout, this, [this] {
        if (!m_countPending)
            return;
        m_countPending = false;
        m_form.setStatusText(1, m_pendingCount);
        m_countPanel.start();
    });
}

TerminalPage::~TerminalPage()
{
    if (m_port)
        m_port->detach(this);
}

void TerminalPage::comReceived(const std::string& block)
{
    if (m_view)
        m_view->feed(block);
}

bool TerminalPage::write(const std::string& bytes)
{
    if (!m_port || !m_port->Connected())
        return false;
    // Typed bytes (or the terminal's own answers) would go out between an
    // operation's question and the meter's answer.
    const MeterConversation& talk = m_form.controller().conversation();
    if (talk.active()) {
        if (m_view)
            m_view->setInputNote(TerminalView::busyNote(QString::fromStdString(talk.operation())));
        return false;
    }
    try {
        m_port->Write(bytes);
        return true;
    } catch (const std::exception& e) {
        m_form.setStatusText(2, std::string(" ") + e.what());
        return false;
    }
}

void TerminalPage::ComTerminalChar(const std::string& chars)
{
    MainController& ctl = m_form.controller();
    if (ctl.countTerminalChars(chars))
        showLineCount(ctl.LineCount.text());
}

void TerminalPage::showLineCount(const std::string& text)
{
    if (m_countPanel.isActive()) {
        m_pendingCount = text;
        m_countPending = true;
        return;
    }
    m_form.setStatusText(1, text);
    m_countPanel.start();
}

void TerminalPage::acBaudrateExecute()
{
    MainController& ctl = m_form.controller();
    static const MapFieldBinding kNoEditor;
    const ParameterSet* set = ctl.currentParameterSet();
    const FieldBinding* editor = set && set->binding() ? set->binding() : &kNoEditor;
    pxr::acBaudrateExecute(ctl.transactions(), *editor, [this](uint32_t current, uint32_t& chosen) {
        TChangeBdDlg* dlg = m_form.ChangeBdDlg;
        if (!dlg)
            return false;
        const bool ok = dlg->Execute(current) == QDialog::Accepted;
        chosen = dlg->NewRate();
        // Without a window manager nobody gives the focus back after a dialog.
        m_form.activateWindow();
        return ok;
    });
}

} // namespace pxr
