#include "terminal/TerminalPage.h"

#include <QAction>
#include <QDialog>
#include <QFrame>
#include <QVBoxLayout>

#include "base/UiHooks.h"
#include "devices/FieldBinding.h"
#include "parameters/BaudRateChange.h"
#include "parameters/ChangeBdDlg.h"
#include "serial/ComTransactions.h"
#include "terminal/TerminalView.h"

namespace pxr {

TerminalPage::TerminalPage(ComTransactions& tx, Host& host, const PageContext& page, const FontButtons& buttons,
                           QWidget* place)
    : QObject(page.window), m_tx(tx), m_host(host), m_page(page), m_port(&tx.port())
{
    setObjectName(QStringLiteral("TerminalPage"));
    m_panel = new QFrame(place);
    m_panel->setObjectName(QStringLiteral("Panel_Terminal"));
    m_panelLayout = new QVBoxLayout(m_panel);
    m_panelLayout->setContentsMargins(0, 0, 0, 0);
    m_view = new TerminalView(m_panel);
    m_panelLayout->addWidget(m_view, 1);

    // From creation on, so that the terminal sees every received byte.
    m_port->attach(this);

    m_view->OnSend = [this](const std::string& bytes) { return write(bytes); };
    m_view->screen().OnOutput = [this](const std::string& bytes) { write(bytes); };
    m_view->screen().ComTerminalChar = [this](const std::string& chars) { ComTerminalChar(chars); };
    TerminalView* view = m_view;
    if (buttons.larger)
        connect(buttons.larger, &QAction::triggered, view, [view] { view->ToolButton8Click(); });
    if (buttons.smaller)
        connect(buttons.smaller, &QAction::triggered, view, [view] { view->ToolButton10Click(); });
    if (buttons.bold)
        connect(buttons.bold, &QAction::toggled, view, [view](bool down) { view->setFontBold(down); });
}

TerminalPage::~TerminalPage()
{
    if (m_port)
        m_port->detach(this);
}

TerminalView* TerminalPage::view() const { return m_view; }

void TerminalPage::setBaudRateDialog(TChangeBdDlg* dialog) { m_baudDialog = dialog; }

void TerminalPage::addBelowTerminal(QWidget* widget) { m_panelLayout->addWidget(widget); }

ActionHandlers TerminalPage::handlers()
{
    return {{"acBaudrate", [this] { acBaudrateExecute(); }}};
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
    const MeterConversation& talk = m_tx.conversation();
    if (talk.active()) {
        if (m_view)
            m_view->setInputNote(TerminalView::busyNote(QString::fromStdString(talk.operation())));
        return false;
    }
    try {
        m_port->Write(bytes);
        return true;
    } catch (const std::exception& e) {
        m_page.ui.setStatusText(2, std::string(" ") + e.what());
        return false;
    }
}

void TerminalPage::ComTerminalChar(const std::string& chars)
{
    if (m_host.countTerminalChars(chars))
        showLineCount(m_host.lineCountText());
}

void TerminalPage::showLineCount(const std::string& text)
{
    m_count = text;
    m_countPanel.request();
}

void TerminalPage::putLineCount() { m_page.ui.setStatusText(1, m_count); }

void TerminalPage::acBaudrateExecute()
{
    static const MapFieldBinding kNoEditor;
    const FieldBinding* set = m_host.parameterEditor();
    const FieldBinding* editor = set ? set : &kNoEditor;
    pxr::acBaudrateExecute(m_tx, *editor, [this](uint32_t current, uint32_t& chosen) {
        TChangeBdDlg* dlg = m_baudDialog;
        if (!dlg)
            return false;
        const bool ok = dlg->Execute(current) == QDialog::Accepted;
        chosen = dlg->NewRate();
        // Without a window manager nobody gives the focus back after a dialog.
        m_panel->window()->activateWindow();
        return ok;
    });
}

} // namespace pxr
