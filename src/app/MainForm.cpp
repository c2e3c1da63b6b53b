#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShortcutEvent>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "base/ActionBinding.h"
#include "app/Arrangement.h"
#include "app/ConversationPanel.h"
#include "app/PortSettingsPanel.h"
#include "dialogs/DirectorySetupForm.h"
#include "measurement/AnalogMeterWidget.h"
#include "measurement/DiagramWidget.h"
#include "measurement/GraphicSetupForm.h"
#include "measurement/LedWidget.h"
#include "measurement/LogView.h"
#include "measurement/MeasurementUi.h"
#include "measurement/SignalLevelDlg.h"
#include "parameters/ParameterCommands.h"
#include "parameters/ParameterEditorPanel.h"
#include "parameters/ChangeBdDlg.h"
#include "app/ComSetupForm.h"
#include "simulation/SimuSetupForm.h"
#include "terminal/HistoryView.h"
#include "terminal/TerminalPage.h"
#include "terminal/TerminalView.h"

namespace pxr {

namespace {

constexpr int kWidth = 945;
constexpr int kHeight = 721;
constexpr int kLeftWidth = 224;
constexpr int kButtonWidth = 75;

QString qs(const char* s) { return QString::fromUtf8(s); }
QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TMainForm::TMainForm(KeyValueBackend& settings, const std::vector<std::string>& args, QWidget* parent)
    : QMainWindow(parent), m_port(m_backend), m_ctl(m_port, m_loop, settings, *this)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("PXRTool"));

    createActions();
    createMenus();
    createToolBar();
    createPages();
    createStatusBar();
    resize(kWidth, kHeight);
    centreOnScreen();

    m_ctl.setSystem(*this);
    m_ctl.DocumentsFolder =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    m_ctl.setHandler("acPrinterSetup", [this] { acPrinterSetupExecute(); });
    m_ctl.setHandler("acDirectory", [this] {
        if (DirectorySetupForm)
            DirectorySetupForm->exec();
    });
    m_ctl.setHandler("acSimulation", [this] {
        if (SimuSetupForm)
            SimuSetupForm->exec();
    });

    // Hints of every control and menu entry reach the status bar, and the
    // menu-bar mnemonics must not swallow the action shortcuts.
    qApp->installEventFilter(this);

    // Esc ends the running operation; the terminal keeps Esc for the meter.
    m_cancelKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_cancelKey->setContext(Qt::WindowShortcut);
    m_cancelKey->setEnabled(false);
    connect(m_cancelKey, &QShortcut::activated, this, [this] { m_ctl.cancelConversation(); });
    connect(ConversationStatus, &ConversationPanel::cancelClicked, this, [this] { m_ctl.cancelConversation(); });
    connect(ConversationStatus, &ConversationPanel::shown, this, [this](bool visible, const QString& operation) {
        m_terminalPage->view()->setInputNote(visible ? TerminalView::busyNote(operation) : QString());
    });

    m_ctl.FormCreate(args);
    m_parameterCommands->start();
    m_ctl.setFieldBinding(&m_parameterCommands->panel());
    serve(m_parameterCommands->handlers());
    m_measurementUi->start();
    serve(m_measurementUi->handlers());
    if (QAction* a = action(QStringLiteral("acStartStopLog")))
        a->setCheckable(true);
    serve(m_terminalPage->handlers()); // the baud-rate change
}

void TMainForm::serve(const ActionHandlers& handlers)
{
    for (const ActionHandler& h : handlers)
        m_ctl.setHandler(h.action, h.run);
}

std::vector<std::string> TMainForm::listPorts()
{
    return QtComPortBackend::listPorts();
}

std::unique_ptr<ComPortBackend> TMainForm::createPortBackend()
{
    return std::make_unique<QtPortBackend>(m_loop);
}

char TMainForm::decimalSeparator() const
{
    return ParameterEditorPanel::decimalSeparator();
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    disconnect(Notebook, nullptr, this, nullptr);
}

void TMainForm::createDialogs()
{
    if (ComSetupForm)
        return;
    GraphicSetupForm = new TGraphicSetupForm(this);
    m_measurementUi->attachGraphicSetup(*GraphicSetupForm);
    ComSetupForm = new TComSetupForm(this);
    TComSetupForm::FindHooks find;
    find.find = [this](ComSetupModel& model, const auto& progress) {
        const MainController::FindOutcome r = m_ctl.FindMeter(model, [&progress](const MeterFinder::Progress& p) {
            progress(p.done, p.total, MeterFinder::progressText(p));
        });
        return std::make_pair(r.found, r.message);
    };
    find.cancel = [this] { m_ctl.CancelFindMeter(); };
    ComSetupForm->setFindHooks(std::move(find));
    SignalLevelDlg = new TSignalLevelDlg(m_ctl.signalLevel(), this);
    DirectorySetupForm = new TDirectorySetupForm(m_ctl.settings(), m_ctl.DocumentsFolder, this);
    m_pageHost.setDirectorySetup(&DirectorySetupForm->model());
    ChangeBdDlg = new TChangeBdDlg(this);
    m_terminalPage->setBaudRateDialog(ChangeBdDlg);
    SimuSetupForm = new TSimuSetupForm(m_ctl.simuSetup(), this);
}

// ---- building ----------------------------------------------------------------

void TMainForm::createActions()
{
    for (const ActionDef& d : actionTable()) {
        const QString name = qs(d.name);
        auto* a = new QAction(qs(d.caption), this);
        a->setObjectName(name);
        a->setProperty(kActionProperty, name);
        a->setProperty("category", qs(d.category));
        const QString hint = qs(d.hintText());
        a->setStatusTip(hint);
        if (!hint.isEmpty())
            a->setToolTip(hint);
        if (*d.shortcut) {
            const QKeySequence key(qs(d.shortcut));
            a->setShortcut(key);
            m_shortcuts.insert(key, a);
        }
        a->setEnabled(d.enabledAtStart);
        connect(a, &QAction::triggered, this, [this, n = std::string(d.name)] { m_ctl.execute(n); });
        addAction(a); // shortcuts work wherever the focus is in the window
        m_actions.insert(name, a);
    }
}

QAction* TMainForm::entryAction(const EntryDef& e, QObject* parent)
{
    QAction* a = m_actions.value(qs(e.action));
    if (!a)
        return nullptr;
    if (!e.caption && !e.hint)
        return a;
    return makeProxyAction(a, e.caption ? qs(e.caption) : QString(), e.hint ? qs(e.hint) : QString(),
                           parent);
}

void TMainForm::createMenus()
{
    for (const MenuDef& m : mainMenus()) {
        QMenu* menu = menuBar()->addMenu(qs(m.title));
        menu->setObjectName(QStringLiteral("Menu") + qs(withoutMnemonic(m.title)));
        for (const EntryDef& e : m.entries) {
            if (e.isSeparator())
                menu->addSeparator();
            else if (QAction* a = entryAction(e, menu))
                menu->addAction(a);
        }
    }
}

QMenu* TMainForm::createContextMenu(const std::vector<EntryDef>& entries, const QString& name)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(name);
    for (const EntryDef& e : entries) {
        if (e.isSeparator())
            menu->addSeparator();
        else if (QAction* a = entryAction(e, menu))
            menu->addAction(a);
    }
    return menu;
}

void TMainForm::createToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const EntryDef& e : toolbarEntries()) {
        if (e.isSeparator()) {
            ToolBar1->addSeparator();
        } else if (QAction* a = m_actions.value(qs(e.action))) {
            if (e.caption)
                a->setIconText(qs(e.caption));
            ToolBar1->addAction(a);
        } else if (const ToolButtonDef* b = findToolButton(e.action)) {
            // The terminal's own buttons; the terminal page connects to them.
            auto* t = new QAction(qs(b->caption), this);
            t->setObjectName(qs(b->name));
            t->setStatusTip(qs(b->hint));
            t->setToolTip(qs(b->hint));
            t->setCheckable(b->toggle);
            ToolBar1->addAction(t);
            m_toolButtons.insert(t->objectName(), t);
        }
    }
}

QWidget* TMainForm::createButtonBar(const std::vector<EntryDef>& entries, QWidget* parent)
{
    auto* bar = new QWidget(parent);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(2, 2, 2, 2);
    for (const EntryDef& e : entries) {
        QAction* a = e.isSeparator() ? nullptr : m_actions.value(qs(e.action));
        if (!a) {
            // The place of a button this model line lacks stays empty.
            auto* gap = new QWidget(bar);
            gap->setFixedWidth(kButtonWidth);
            layout->addWidget(gap);
            continue;
        }
        auto* b = new QPushButton(e.caption ? qs(e.caption) : a->iconText(), bar);
        b->setMinimumWidth(kButtonWidth);
        bindButton(b, a);
        layout->addWidget(b);
    }
    layout->addStretch();
    return bar;
}

void TMainForm::createPages()
{
    // The measurement page's widgets are placed on three pages below.
    m_measurementUi = new MeasurementUi(m_pageHost, *this, m_printer, this);
    // The parameter editor and its file and clipboard commands.
    m_parameterCommands = new ParameterCommands(
        m_pageHost, {action(QStringLiteral("acGetParameter")), action(QStringLiteral("acSetParameter"))}, m_printer,
        this);
    m_historyView = new HistoryView(m_ctl.portHistory(), this);

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(2, 2, 2, 2);

    Notebook_Left = new QStackedWidget(central);
    Notebook_Left->setObjectName(QStringLiteral("Notebook_Left"));
    Notebook_Left->setFixedWidth(kLeftWidth);
    for (DeviceType line = 0; line < kModelLines; ++line)
        Notebook_Left->addWidget(m_parameterCommands->page(line));
    row->addWidget(Notebook_Left);

    Notebook = new QTabWidget(central);
    Notebook->setObjectName(QStringLiteral("Notebook"));
    row->addWidget(Notebook, 1);

    const auto makeBars = [this](const QString& name, QWidget* parent,
                                 const std::vector<EntryDef>& (*bar)(DeviceType)) {
        auto* stack = new QStackedWidget(parent);
        stack->setObjectName(name);
        for (int line = 0; line < kModelLines; ++line)
            stack->addWidget(createButtonBar(bar(static_cast<DeviceType>(line)), stack));
        stack->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        return stack;
    };

    // "Device"
    auto* device = new QWidget(Notebook);
    auto* deviceLayout = new QVBoxLayout(device);
    auto* serial = new QGroupBox(QStringLiteral("Serial Interface"), device);
    serial->setObjectName(QStringLiteral("gb_SerialInterface"));
    auto* serialLayout = new QVBoxLayout(serial);
    QLabel* liveValue = m_measurementUi->liveValue();
    serialLayout->addWidget(liveValue);
    deviceLayout->addWidget(serial);

    auto* scroll = new QScrollArea(device);
    scroll->setObjectName(QStringLiteral("ScrollBox1"));
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget(scroll);
    auto* grid = new QGridLayout(inner);

    auto* analog = new QGroupBox(QStringLiteral("Analog Output Calculation"), inner);
    auto* analogLayout = new QVBoxLayout(analog);
    analogLayout->addWidget(m_measurementUi->analogMeter());
    grid->addWidget(analog, 0, 0);

    grid->addWidget(m_historyView->historyBox(), 0, 1);

    auto* digital = new QGroupBox(QStringLiteral("Digital Output Calculation"), inner);
    auto* digitalLayout = new QGridLayout(digital);
    for (int output = 1; output <= 2; ++output) {
        digitalLayout->addWidget(m_measurementUi->led(output), output - 1, 0);
        digitalLayout->addWidget(m_measurementUi->outputLabel(output), output - 1, 1);
    }
    digitalLayout->setColumnStretch(1, 1);
    grid->addWidget(digital, 1, 0);

    grid->addWidget(m_historyView->styleBox(), 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    scroll->setWidget(inner);
    deviceLayout->addWidget(scroll, 1);

    Notebook_Device = makeBars(QStringLiteral("Notebook_Device"), device, deviceButtonBar);
    deviceLayout->addWidget(Notebook_Device);
    Notebook->addTab(device, QStringLiteral("Device"));

    // "Diagram"
    auto* diagram = new QWidget(Notebook);
    auto* diagramLayout = new QVBoxLayout(diagram);
    DiagramWidget* chart = m_measurementUi->chart();
    diagramLayout->addWidget(chart, 1);
    diagramLayout->addWidget(m_measurementUi->statisticsLine());
    Notebook_Graphic = makeBars(QStringLiteral("Notebook_Graphic"), diagram, graphicButtonBar);
    diagramLayout->addWidget(Notebook_Graphic);
    Notebook->addTab(diagram, QStringLiteral("Diagram"));

    // "Terminal"
    auto* terminal = new QWidget(Notebook);
    auto* terminalLayout = new QVBoxLayout(terminal);
    const TerminalPage::FontButtons fontButtons{m_toolButtons.value(QStringLiteral("ToolButton8")),
                                                m_toolButtons.value(QStringLiteral("ToolButton10")),
                                                m_toolButtons.value(QStringLiteral("tb_Bold"))};
    m_terminalPage = new TerminalPage(m_ctl.transactions(), m_pageHost, *this, fontButtons, terminal, this);
    Notebook_Terminal =
        makeBars(QStringLiteral("Notebook_Terminal"), m_terminalPage->panel(), deviceButtonBar);
    m_terminalPage->addBelowTerminal(Notebook_Terminal);
    terminalLayout->addWidget(m_terminalPage->panel());
    Notebook->addTab(terminal, QStringLiteral("Terminal"));

    // "Log Window"
    auto* log = new QWidget(Notebook);
    auto* logLayout = new QVBoxLayout(log);
    LogView* logView = m_measurementUi->logView();
    logLayout->addWidget(logView, 1);
    logLayout->addWidget(createButtonBar(logButtonBar(), log));
    Notebook->addTab(log, QStringLiteral("Log Window"));

    ChartMenu = createContextMenu(chartContextMenu(), QStringLiteral("PopupMenu_Grafik"));
    LogMenu = createContextMenu(logContextMenu(), QStringLiteral("PopupMenu_Log"));
    connect(chart, &QWidget::customContextMenuRequested, this,
            [this, chart](const QPoint& p) { ChartMenu->popup(chart->mapToGlobal(p)); });
    connect(logView, &QWidget::customContextMenuRequested, this,
            [this, logView](const QPoint& p) { LogMenu->popup(logView->mapToGlobal(p)); });

    connect(Notebook, &QTabWidget::currentChanged, this, &TMainForm::NotebookClick);
    liveValue->installEventFilter(this);
    setCentralWidget(central);
}

void TMainForm::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    QFont f;
    // Where Tahoma is missing, a condensed face comes closest to its width:
    // the port panel is only 175 pixels wide.
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                   QStringLiteral("Liberation Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(8);
    f.setBold(true);
    bar->setFont(f);
    const int widths[3] = {175, 50, 0};
    for (int i = 0; i < 3; ++i) {
        auto* panel = i == 0 ? new PortSettingsPanel(bar) : new QLabel(bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFont(f);
        if (widths[i] > 0)
            panel->setFixedWidth(widths[i]);
        // Panel 1's count changes with every line of a stream; of fixed
        // size, its new text does not lay the status bar out again.
        if (i == 1)
            panel->setFixedHeight(panel->sizeHint().height());
        if (i == 1)
            panel->setAlignment(Qt::AlignCenter);
        // Plain widgets, not permanent ones: a hint message hides them all.
        bar->addWidget(panel, i == 2 ? 1 : 0);
        StatusPanel[i] = panel;
    }
    // Permanent: Cancel stays within reach while the pointer shows a hint.
    ConversationStatus = new ConversationPanel(bar);
    bar->addPermanentWidget(ConversationStatus);
}

void TMainForm::centreOnScreen()
{
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

// ---- events ------------------------------------------------------------------

bool TMainForm::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        ShowHintInStatusBar(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e)
{
    switch (e->type()) {
    case QEvent::Shortcut: {
        // Alt+C and Alt+P are also the mnemonics of "&Commands" and
        // "&Parameter"; Qt would call that ambiguous and do nothing, the
        // program has always run the action.
        auto* se = static_cast<QShortcutEvent*>(e);
        QAction* a = m_shortcuts.value(se->key());
        if (a && (watched == menuBar() || se->isAmbiguous()) && a->isEnabled() && a->isVisible()) {
            a->trigger();
            return true;
        }
        break;
    }
    case QEvent::StatusTip:
        // Hints of menus and dialogs, which do not pass through this window.
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() != this)
            ShowHintInStatusBar(static_cast<QStatusTipEvent*>(e)->tip());
        break;
    case QEvent::MouseMove:
        if (watched == m_measurementUi->liveValue())
            lb_InputMouseMove();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TMainForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    // After the window is on screen: FormShow runs the modal interface setup.
    QTimer::singleShot(0, this, [this] { m_ctl.FormShow(); });
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    // An operation talking to the meter still waits on what closing frees:
    // it is cancelled and the window closes when it has ended.
    if (!m_closed && !m_ctl.closeAllowed()) {
        e->ignore();
        return;
    }
    if (!m_closed) {
        m_closed = true;
        m_ctl.FormClose();
    }
    e->accept();
}

void TMainForm::ShowHintInStatusBar(const QString& hint)
{
    if (hint.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(hint);
}

void TMainForm::NotebookClick(int index)
{
    switch (index) {
    case 1:
        if (m_measurementUi->chart()->isVisible())
            m_measurementUi->chart()->setFocus();
        break;
    case 2:
        if (!m_terminalPage->panel()->isHidden())
            m_terminalPage->view()->setFocus();
        break;
    case 3:
        if (m_measurementUi->logView()->isVisible())
            m_measurementUi->logView()->setFocus();
        break;
    default:
        break;
    }
}

void TMainForm::lb_InputMouseMove()
{
    const QString hint = qs(m_ctl.lb_InputHint());
    QLabel* label = m_measurementUi->liveValue();
    if (label->statusTip() == hint)
        return;
    label->setToolTip(hint);
    label->setStatusTip(hint);
    ShowHintInStatusBar(hint);
}

void TMainForm::acPrinterSetupExecute()
{
    QPageSetupDialog dialog(&m_printer, this);
    dialog.exec();
}

// ---- MainView ------------------------------------------------------------------

void TMainForm::setStatusText(int panel, const std::string& text)
{
    if (auto* settings = panel == 0 ? qobject_cast<PortSettingsPanel*>(StatusPanel[0]) : nullptr)
        settings->setPortSettings(qs(text));
    else if (panel > 0 && panel < 3)
        StatusPanel[panel]->setText(qs(text));
}

std::string TMainForm::statusText(int panel) const
{
    return panel >= 0 && panel < 3 ? StatusPanel[panel]->text().toStdString() : std::string();
}

void TMainForm::setBusyCursor(bool busy)
{
    if (busy) {
        if (m_busy++ == 0)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busy > 0 && --m_busy == 0) {
        QApplication::restoreOverrideCursor();
    }
}

void TMainForm::focusTerminalIfShown()
{
    if (Notebook->currentIndex() == 2 && !m_terminalPage->panel()->isHidden())
        m_terminalPage->view()->setFocus();
}

void TMainForm::showError(const std::string& text)
{
    QMessageBox::critical(this, QStringLiteral("PXRTool"), qs(text));
}

void TMainForm::showWarning(const std::string& text)
{
    QMessageBox::warning(this, QStringLiteral("PXRTool"), qs(text));
}

void TMainForm::setTitle(const std::string& title) { setWindowTitle(qs(title)); }

void TMainForm::setActionVisible(const std::string& action, bool visible)
{
    if (QAction* a = m_actions.value(qs(action)))
        a->setVisible(visible);
}

void TMainForm::setActionEnabled(const std::string& action, bool enabled)
{
    if (QAction* a = m_actions.value(qs(action)))
        a->setEnabled(enabled);
}

void TMainForm::setActionChecked(const std::string& action, bool checked)
{
    if (QAction* a = m_actions.value(qs(action))) {
        if (checked)
            a->setCheckable(true);
        a->setChecked(checked);
    }
}

void TMainForm::setModelPages(int index)
{
    for (QStackedWidget* stack : {Notebook_Left, Notebook_Device, Notebook_Terminal, Notebook_Graphic})
        stack->setCurrentIndex(index);
}

void TMainForm::setNotebookTab(int index) { Notebook->setCurrentIndex(index); }

void TMainForm::setOutput2Visible(bool visible)
{
    m_measurementUi->setOutput2Visible(visible);
}

void TMainForm::setLiveValueRed(bool red)
{
    m_measurementUi->setLiveValueRed(red);
}

void TMainForm::clearLiveValue() { m_measurementUi->clearLiveValue(); }

void TMainForm::setTerminalPanelVisible(bool visible) { m_terminalPage->panel()->setVisible(visible); }

void TMainForm::setupAnalogMeter(DeviceType line)
{
    m_measurementUi->setupAnalogMeter(line);
}

bool TMainForm::execInterfaceSetup(ComSetupModel& model)
{
    if (!ComSetupForm)
        return false;
    const bool ok = ComSetupForm->execFor(model);
    // Without a window manager nobody gives the focus back after a dialog.
    activateWindow();
    return ok;
}

void TMainForm::closeWindow() { close(); }

void TMainForm::showConversation(const MeterConversation& talk)
{
    ConversationStatus->follow(talk);
    m_cancelKey->setEnabled(talk.active());
    m_parameterCommands->setEditorLocked(talk.active() && talk.locksEditor());
    if (!talk.active())
        m_terminalPage->view()->setInputNote(QString());
}

bool TMainForm::askYesNo(const std::string& question)
{
    return QMessageBox::question(this, QStringLiteral("PXRTool"), qs(question)) == QMessageBox::Yes;
}

} // namespace pxr
