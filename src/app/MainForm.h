#pragma once
// TMainForm: the main window. It lays out the pages, menus, toolbar and
// status bar, builds its actions from the action table and hands every
// command to the main controller, which decides; the window only shows.

#include <QHash>
#include <QMainWindow>
#include <QPrinter>

#include <memory>
#include <string>
#include <vector>

#include "app/ActionTable.h"
#include "app/KeyValueBackend.h"
#include "app/MainController.h"
#include "app/MainView.h"
#include "app/PageHost.h"
#include "app/SystemServices.h"
#include "serial/ComPort.h"
#include "serial/QtComPortBackend.h"
#include "serial/QtPortBackend.h"
#include "serial/QtEventLoop.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QShortcut;
class QStackedWidget;
class QTabWidget;
class QToolBar;

namespace pxr {

class AnalogMeterWidget;
class ConversationPanel;
class ParameterCommands;
class DiagramWidget;
class HistoryView;
class LedWidget;
class LogView;
class TerminalPage;
class TerminalView;
class MeasurementUi;
class TComSetupForm;
class TGraphicSetupForm;
class TSignalLevelDlg;
class TDirectorySetupForm;
class TChangeBdDlg;
class TSimuSetupForm;

class TMainForm : public QMainWindow, public MainView, private SystemServices {
    Q_OBJECT
public:
    // args: the command-line arguments without the program name. Runs
    // FormCreate; FormShow follows when the window is first shown.
    TMainForm(KeyValueBackend& settings, const std::vector<std::string>& args,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // The program's dialogs, each created once, in this order, right after
    // the main window.
    void createDialogs();

    MainController& controller() { return m_ctl; }
    // The printer of "Printer Setup", also used by "Print Diagram".
    QPrinter& printer() { return m_printer; }
    QAction* action(const QString& name) const { return m_actions.value(name); }
    const QHash<QString, QAction*>& actions() const { return m_actions; }
    // The feature pages, each with the widgets it built.
    TerminalPage& terminalPage() { return *m_terminalPage; }
    MeasurementUi& measurementUi() { return *m_measurementUi; }

    TGraphicSetupForm* GraphicSetupForm = nullptr;
    TComSetupForm* ComSetupForm = nullptr;
    TSignalLevelDlg* SignalLevelDlg = nullptr;
    TDirectorySetupForm* DirectorySetupForm = nullptr;
    TChangeBdDlg* ChangeBdDlg = nullptr;
    TSimuSetupForm* SimuSetupForm = nullptr;

    // ---- MainView ----
    void setStatusText(int panel, const std::string& text) override;
    std::string statusText(int panel) const override;
    void setBusyCursor(bool busy) override;
    void focusTerminalIfShown() override;
    void showError(const std::string& text) override;
    void setTitle(const std::string& title) override;
    void setActionVisible(const std::string& action, bool visible) override;
    void setActionEnabled(const std::string& action, bool enabled) override;
    void setActionChecked(const std::string& action, bool checked) override;
    void setModelPages(int index) override;
    void setNotebookTab(int index) override;
    void setOutput2Visible(bool visible) override;
    void setLiveValueRed(bool red) override;
    void clearLiveValue() override;
    void setTerminalPanelVisible(bool visible) override;
    void setupAnalogMeter(DeviceType line) override;
    bool execInterfaceSetup(ComSetupModel& model) override;
    void showConversation(const MeterConversation& talk) override;
    bool askYesNo(const std::string& question) override;
    void showWarning(const std::string& text) override;
    void closeWindow() override;

    // The application's hint handler: a hint shows as one simple panel, no
    // hint brings the three panels back.
    void ShowHintInStatusBar(const QString& hint);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // SystemServices: the serial ports through QSerialPortInfo, a QSerialPort
    // for the meter finder, the editor's regional decimal separator.
    std::vector<std::string> listPorts() override;
    std::unique_ptr<ComPortBackend> createPortBackend() override;
    char decimalSeparator() const override;

    void createActions();
    void createMenus();
    void createToolBar();
    void createPages();
    void createStatusBar();
    QWidget* createButtonBar(const std::vector<EntryDef>& entries, QWidget* parent);
    QMenu* createContextMenu(const std::vector<EntryDef>& entries, const QString& name);
    QAction* entryAction(const EntryDef& entry, QObject* parent);
    void centreOnScreen();
    // Hands a page's action handlers to the controller.
    void serve(const ActionHandlers& handlers);

    void NotebookClick(int index);
    void lb_InputMouseMove();
    void acPrinterSetupExecute();

    QtEventLoop m_loop;
    // A local serial port or a serial device server (rfc2217://, socket://).
    QtPortBackend m_backend{m_loop};
    TComPort m_port;
    MainController m_ctl;
    PageHost m_pageHost{m_ctl, *this};
    QHash<QString, QAction*> m_actions;
    // Key sequence -> action, for shortcuts that collide with a menu-bar
    // mnemonic (Alt+C, Alt+P): the action wins, as the program always did.
    QHash<QKeySequence, QAction*> m_shortcuts;
    QPrinter m_printer;
    int m_busy = 0;
    bool m_shown = false;
    bool m_closed = false;
    MeasurementUi* m_measurementUi = nullptr;
    ParameterCommands* m_parameterCommands = nullptr;
    TerminalPage* m_terminalPage = nullptr;
    HistoryView* m_historyView = nullptr;
    // The toolbar's terminal buttons, by name; the terminal page uses them.
    QHash<QString, QAction*> m_toolButtons;
    QShortcut* m_cancelKey = nullptr;

public:
    // Controls, named as the program names them.
    QStackedWidget* Notebook_Left = nullptr;
    QTabWidget* Notebook = nullptr;
    QStackedWidget* Notebook_Device = nullptr;
    QStackedWidget* Notebook_Graphic = nullptr;
    QStackedWidget* Notebook_Terminal = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QMenu* ChartMenu = nullptr;
    QMenu* LogMenu = nullptr;
    QLabel* StatusPanel[3] = {nullptr, nullptr, nullptr};
    // Progress and Cancel of the operation talking to the meter.
    ConversationPanel* ConversationStatus = nullptr;
};

} // namespace pxr
