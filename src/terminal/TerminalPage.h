#pragma once
// The "Terminal" tab: the terminal ComTerminal in its panel Panel_Terminal
// receives every block the port delivers and sends what the user types, its
// characters drive the line count in status panel 1, the toolbar's three
// terminal buttons set its font, and "BR Change Baud Rate" runs with the
// TChangeBdDlg dialog. The page builds its widgets; the main window places
// the panel in its notebook and the model line's button bars under the
// terminal.

#include <QObject>
#include <QPointer>

#include <string>

#include "base/ActionHandlers.h"
#include "base/PageContext.h"
#include "serial/ComPort.h"
#include "terminal/PacedCall.h"

class QAction;
class QFrame;
class QVBoxLayout;

namespace pxr {

class ComTransactions;
class FieldBinding;
class TChangeBdDlg;
class TerminalView;
class UiHooks;

class TerminalPage : public QObject, private ComConsumer {
    Q_OBJECT
public:
    // What the page needs of the program around it.
    class Host {
    public:
        virtual ~Host() = default;
        // Counts characters the terminal showed by the model line's rule;
        // true when the count changed.
        virtual bool countTerminalChars(const std::string& chars) = 0;
        virtual std::string lineCountText() const = 0;
        // The editor fields of the current model line (null when there is
        // none): the baud-rate change keeps the auto-start rate there.
        virtual const FieldBinding* parameterEditor() = 0;
    };
    // The toolbar's terminal buttons: font size up and down, bold.
    struct FontButtons {
        QAction* larger = nullptr;
        QAction* smaller = nullptr;
        QAction* bold = nullptr;
    };

    // The panel is made a child of `place`; the page itself is a child of
    // the window. Status panels 1 and 2 are shown through the UI hooks.
    TerminalPage(ComTransactions& tx, Host& host, const PageContext& page, const FontButtons& buttons,
                 QWidget* place);
    ~TerminalPage() override;

    QFrame* panel() const { return m_panel; }
    TerminalView* view() const;
    // Placed under the terminal, inside its panel (hidden with it).
    void addBelowTerminal(QWidget* widget);
    // The dialog of "BR Change Baud Rate" (created with the window's dialogs).
    void setBaudRateDialog(TChangeBdDlg* dialog);
    // The actions the page serves, for the controller's dispatch.
    ActionHandlers handlers();

    // ComTerminalChar: counts the lines of what the terminal showed.
    void ComTerminalChar(const std::string& chars);

    void acBaudrateExecute();

private:
    void comReceived(const std::string& block) override;
    void comPortGone() override { m_port = nullptr; }
    // A plain write of typed bytes or terminal answers; false when the port
    // is closed or the write failed.
    bool write(const std::string& bytes);

    // Status panel 1 shows a new count at once, then about every
    // kCountPanelMs, with the window's next repaint: a stream changes the
    // count with every block, and each new text costs the status bar a
    // repaint.
    static constexpr int kCountPanelMs = 100;
    void showLineCount(const std::string& text);
    void putLineCount();

    ComTransactions& m_tx;
    Host& m_host;
    PageContext m_page;
    TComPort* m_port;
    QFrame* m_panel = nullptr;
    QVBoxLayout* m_panelLayout = nullptr;
    QPointer<TerminalView> m_view;
    QPointer<TChangeBdDlg> m_baudDialog;
    std::string m_count;
    PacedCall m_countPanel{kCountPanelMs, [this] { putLineCount(); }, m_page.window};
};

} // namespace pxr
