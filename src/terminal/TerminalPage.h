#pragma once
// The "Terminal" tab wired into the main window: the terminal ComTerminal
// receives every block the port delivers and sends what the user types, its
// characters drive LineCount in status panel 1, the three terminal buttons
// of the toolbar set its font, and "BR Change Baud Rate" runs with the
// TChangeBdDlg dialog. Created once by the main window, after its FormCreate.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <string>

#include "serial/ComPort.h"

namespace pxr {

class TMainForm;
class TerminalView;

class TerminalPage : public QObject, private ComConsumer {
    Q_OBJECT
public:
    explicit TerminalPage(TMainForm& form);
    ~TerminalPage() override;

    // ComTerminalChar: counts the lines of what the terminal showed.
    void ComTerminalChar(const std::string& chars);

    void acBaudrateExecute();

private:
    void comReceived(const std::string& block) override;
    void comPortGone() override { m_port = nullptr; }
    // A plain write of typed bytes or terminal answers; false when the port
    // is closed or the write failed.
    bool write(const std::string& bytes);

    // Status panel 1 shows a new count at once, then at most every
    // kCountPanelMs: a stream changes the count with every block, and each
    // new text costs the status bar a layout pass and a repaint.
    static constexpr int kCountPanelMs = 100;
    void showLineCount(const std::string& text);

    TMainForm& m_form;
    TComPort* m_port;
    QPointer<TerminalView> m_view;
    QTimer m_countPanel;
    std::string m_pendingCount;
    bool m_countPending = false;
};

} // namespace pxr
