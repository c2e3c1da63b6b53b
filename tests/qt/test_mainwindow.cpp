// The main window offscreen: layout, arrangement per model line, menus and
// entries bound to their actions, the interface setup dialog, and (with
// pxr-meter on a pseudo-terminal) Device Info, a lost port and reconnecting.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/ActionBinding.h"
#include "app/KeyValueBackend.h"
#include "app/MainForm.h"
#include "terminal/TerminalPage.h"
#include "app/PortSettingsPanel.h"
#include "app/QtSettingsBackend.h"
#include "dialogs/DirectorySetupForm.h"
#include "measurement/GraphicSetupForm.h"
#include "measurement/LedWidget.h"
#include "app/ComSetupForm.h"
#include "base/Trace.h"
#include "qt/WindowRig.h"
#include "qt/WindowTestMain.h"

using namespace pxr;
using namespace pxr::test;

namespace {

QStringList entryNames(const QList<QAction*>& actions)
{
    QStringList names;
    for (QAction* a : actions)
        names << (a->isSeparator() ? QStringLiteral("-") : a->property(kActionProperty).toString());
    return names;
}

// Push buttons in `root` bound to the action.
QList<QPushButton*> buttonsOf(QWidget* root, const QString& action)
{
    QList<QPushButton*> out;
    for (QPushButton* b : root->findChildren<QPushButton*>())
        if (b->property(kActionProperty).toString() == action)
            out << b;
    return out;
}

const char* const kNoPort = "/nonexistent/pxr-test-port";

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void layoutAtCreation();
    void arrangementPerModelLine_data();
    void arrangementPerModelLine();
    void switchingBackHidesOutput2();
    void menusHoldTheActionsInOrder();
    void contextMenusAndToolbar();
    void hidingOrDisablingAnActionReachesEveryEntry();
    void entriesWithTheirOwnTexts();
    void hintGoesToTheStatusBar();
    void actionShortcutBeatsMenuMnemonic();
    void debugInAnyCase();
    void interfaceSetupRules();
    void simulateDeviceOnOK();
    void typedPortIsKept();
    void deviceInfoLostPortAndReconnect();
    void runNotTheUsersSetupLeavesTheSettingsFile();
    void interfaceSetupRefusesAnEmptyPortName();
    void startupNamesTheOneFolderThatFellBack();
    void noDisplayEndsWithOneLine();
    void portSettingsPanelKeepsTheLineSettingsInView();
};

void TestMainWindow::layoutAtCreation()
{
    Window w;
    w.put("ComPort", "Port", kNoPort);
    w.create();
    TMainForm& f = *w.form;
    QCOMPARE(f.size(), QSize(945, 721));
    QCOMPARE(f.windowTitle(), QString("PXRTool"));
    QCOMPARE(f.Notebook_Left->width(), 224);
    QCOMPARE(f.Notebook_Left->count(), 3);
    QCOMPARE(f.Notebook->count(), 4);
    const QStringList tabs = {"Device", "Diagram", "Terminal", "Log Window"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(f.Notebook->tabText(i), tabs[i]);
    for (QStackedWidget* s : {f.Notebook_Device, f.Notebook_Graphic, f.Notebook_Terminal})
        QCOMPARE(s->count(), 3);
    // "Get"/"Set" under every model line's page, bound to their actions.
    for (int line = 0; line < 3; ++line) {
        QWidget* page = f.Notebook_Left->widget(line);
        const auto get = buttonsOf(page, "acGetParameter");
        const auto set = buttonsOf(page, "acSetParameter");
        QCOMPARE(get.size(), 1);
        QCOMPARE(set.size(), 1);
        QCOMPARE(get[0]->text(), QString("Get"));
        QCOMPARE(set[0]->text(), QString("Set"));
        QVERIFY(get[0]->font().bold());
    }
    QVERIFY(f.measurementUi().liveValue()->font().bold());
    QCOMPARE(f.measurementUi().liveValue()->font().pixelSize(), 64);
    QVERIFY(QFontInfo(f.measurementUi().liveValue()->font()).fixedPitch());
    QCOMPARE(f.measurementUi().outputLabel(1)->text(), QString("Output 1"));
    QCOMPARE(f.measurementUi().outputLabel(2)->text(), QString("Output 2"));
    QVERIFY(f.findChild<QRadioButton*>("RadioButton1")->isChecked());
    QCOMPARE(f.StatusPanel[0]->width(), 175);
    QCOMPARE(f.StatusPanel[1]->width(), 50);
    QVERIFY(f.StatusPanel[1]->alignment() & Qt::AlignHCenter);
    QVERIFY(f.statusBar()->font().bold());
    QCOMPARE(f.statusBar()->font().pointSize(), 8);
    // The six dialogs exist once each.
    QVERIFY(f.GraphicSetupForm && f.ComSetupForm && f.SignalLevelDlg && f.DirectorySetupForm
            && f.ChangeBdDlg && f.SimuSetupForm);
    QCOMPARE(f.ComSetupForm->windowTitle(), QString("Interface Setup"));
    const QList<QDialog*> dialogs = f.findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly);
    const QStringList order = {"Diagram Setup", "Interface Setup", "Signal Strength",
                               "Directory Setup", "Change Baud Rate", "Simulate Distance"};
    QStringList titles;
    for (QDialog* d : dialogs)
        titles << d->windowTitle();
    QCOMPARE(titles, order);
    QVERIFY(!f.action("acZoomIn")->isEnabled());
    QVERIFY(!f.action("acZoomOut")->isEnabled());
    QVERIFY(f.action("acResetZoom")->isEnabled());
}

void TestMainWindow::arrangementPerModelLine_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<bool>("output2");
    QTest::addColumn<int>("framerSize");

    QTest::newRow("PXR7X") << 0 << "PXRTool (PXR7X)"
                           << QStringList{"acDS", "acDW", "acDX", "acDM", "acLF", "acSO", "acSetProfibus", "acBaudrate"}
                           << QStringList{"acDJ", "acSd", "acVM", "acVT"} << false << 0;
    QTest::newRow("PXR500C") << 1 << "PXRTool (PXR500C)" << QStringList{"acDJ"}
                             << QStringList{"acDS", "acSd", "acDW", "acDX", "acDM", "acVM", "acVT", "acLF",
                                            "acSO", "acSetProfibus", "acBaudrate"}
                             << false << 8;
    QTest::newRow("PXR501/502") << 2 << "PXRTool (PXR501/PXR502)"
                                << QStringList{"acSd", "acDM", "acVM", "acVT", "acSO", "acBaudrate"}
                                << QStringList{"acDS", "acDJ", "acDW", "acDX", "acLF", "acSetProfibus"} << true
                                << 0;
}

void TestMainWindow::arrangementPerModelLine()
{
    QFETCH(int, line);
    QFETCH(QString, title);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, hidden);
    QFETCH(bool, output2);
    QFETCH(int, framerSize);

    Window w;
    w.put("ComPort", "Port", kNoPort);
    w.put("Device", "Type", QString::number(line));
    w.create();
    QVERIFY(w.show({}, Answer::Cancel));
    TMainForm& f = *w.form;
    QCOMPARE(f.windowTitle(), title);
    for (const QString& a : shown)
        QVERIFY2(f.action(a)->isVisible(), qPrintable(a));
    for (const QString& a : hidden)
        QVERIFY2(!f.action(a)->isVisible(), qPrintable(a));
    QCOMPARE(!f.measurementUi().outputLabel(2)->isHidden(), output2);
    QCOMPARE(!f.measurementUi().led(2)->isHidden(), output2);
    QVERIFY(!f.measurementUi().outputLabel(1)->isHidden());
    for (QStackedWidget* s : {f.Notebook_Left, f.Notebook_Device, f.Notebook_Graphic, f.Notebook_Terminal})
        QCOMPARE(s->currentIndex(), line);
    QCOMPARE(f.Notebook->currentIndex(), 0);
    QCOMPARE(f.controller().ComDataPacket_mess.size(), framerSize);
    QCOMPARE(f.controller().historyNoCRLF(), line == 1);
    // The port could not be opened: panel 2 says why, panel 0 shows the settings.
    QVERIFY(f.StatusPanel[2]->text().startsWith(" Unable to open com port"));
    QVERIFY(f.StatusPanel[0]->text().startsWith(QString(" ") + kNoPort + ":"));
}

void TestMainWindow::switchingBackHidesOutput2()
{
    Window w;
    w.put("ComPort", "Port", kNoPort);
    w.put("Device", "Type", "2");
    w.create();
    QVERIFY(w.show({}, Answer::Cancel));
    QVERIFY(!w.form->measurementUi().outputLabel(2)->isHidden());
    QVERIFY(w.setup([](TComSetupForm& d) {
        d.cb_device->setCurrentIndex(0);
        emit d.cb_device->activated(0);
    }));
    QCOMPARE(w.form->windowTitle(), QString("PXRTool (PXR7X)"));
    QVERIFY(w.form->measurementUi().outputLabel(2)->isHidden());
    QVERIFY(w.form->measurementUi().led(2)->isHidden());
}

void TestMainWindow::menusHoldTheActionsInOrder()
{
    Window w;
    w.create();
    const QList<QAction*> menus = w.form->menuBar()->actions();
    QCOMPARE(menus.size(), 5);
    const std::vector<std::pair<QString, QStringList>> expected = {
        {"&File", {"acStartStopLog", "acViewFile", "-", "acSaveGrafik", "acPrintGrafik", "-", "acExit"}},
        {"&Parameter",
         {"acOpen", "acSave", "acPrint", "-", "acExport", "acImport", "-", "acSetStandard", "acSetProfibus", "-",
          "acGetParameter", "acSetParameter", "acBaudrate"}},
        {"&Commands",
         {"acDT", "acDS", "acDJ", "acSd", "acDW", "acDX", "acDF", "acDM", "acVM", "acVT", "-", "acLF", "acTP",
          "acID", "acSO", "acBaudrate"}},
        {"&Options", {"acSettings", "acGraphic", "acPrinterSetup", "acDirectory", "acSimulation"}},
        {"&Help", {"acDevice"}},
    };
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(menus[i]->text(), expected[i].first);
        QCOMPARE(entryNames(menus[i]->menu()->actions()), expected[i].second);
    }
    // Entries show the action's caption.
    QCOMPARE(w.form->action("acTP")->text(), QString::fromUtf8("TP Internal Temperature in \u00b0C"));
    QCOMPARE(w.form->action("acSettings")->shortcut(), QKeySequence("Alt+C"));
    QCOMPARE(w.form->action("acGetParameter")->shortcut(), QKeySequence(Qt::Key_F8));
}

void TestMainWindow::contextMenusAndToolbar()
{
    Window w;
    w.create();
    QCOMPARE(entryNames(w.form->ChartMenu->actions()),
             (QStringList{"acStop", "acDT", "acDF", "-", "acClearGrafik", "acGraphic", "acPrintGrafik",
                          "acSaveGrafik", "-", "acZoomIn", "acZoomOut", "acResetZoom"}));
    QCOMPARE(w.form->ChartMenu->actions()[4]->text(), QString("Clear Diagram"));
    QCOMPARE(entryNames(w.form->LogMenu->actions()),
             (QStringList{"acStop", "acDT", "acDF", "-", "acClearLog", "acStartStopLog"}));

    QStringList tools;
    for (QAction* a : w.form->ToolBar1->actions())
        tools << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    QCOMPARE(tools, (QStringList{"acOpen", "acSave", "acPrint", "-", "acGetParameter", "acSetParameter", "-",
                                 "acExport", "acImport", "-", "ToolButton8", "ToolButton10", "tb_Bold", "-",
                                 "acDevice"}));
    auto* bold = w.form->findChild<QAction*>("tb_Bold");
    QVERIFY(bold && bold->isCheckable());
    QCOMPARE(bold->statusTip(), QString("Terminal Bold Font"));
    QCOMPARE(w.form->findChild<QAction*>("ToolButton8")->statusTip(), QString("Terminal Font Size +"));
    QCOMPARE(w.form->findChild<QAction*>("ToolButton10")->statusTip(), QString("Terminal Font Size -"));
}

void TestMainWindow::hidingOrDisablingAnActionReachesEveryEntry()
{
    Window w;
    QVERIFY(w.startOn(kNoPort, Answer::Cancel));
    TMainForm& f = *w.form;

    // acDW: a button on the PXR7X bars of "Device", "Diagram" and "Terminal".
    const auto dw = buttonsOf(&f, "acDW");
    QCOMPARE(dw.size(), 3);
    for (QPushButton* b : dw)
        QVERIFY(!b->isHidden());
    f.action("acDW")->setVisible(false);
    for (QPushButton* b : dw)
        QVERIFY(b->isHidden());

    // acStop: buttons on every bar and entries in both context menus.
    const auto stop = buttonsOf(&f, "acStop");
    QCOMPARE(stop.size(), 3 * 3 + 1);
    f.action("acStop")->setEnabled(false);
    for (QPushButton* b : stop)
        QVERIFY(!b->isEnabled());
    QVERIFY(!f.ChartMenu->actions()[0]->isEnabled());
    QVERIFY(!f.LogMenu->actions()[0]->isEnabled());
    f.action("acStop")->setEnabled(true);
    for (QPushButton* b : stop)
        QVERIFY(b->isEnabled());

    // A button that stays empty keeps its place in the bar.
    f.action("acDW")->setVisible(true);
    QWidget* bar = f.Notebook_Device->widget(0); // on the tab shown, so its layout is live
    const int dfX = buttonsOf(bar, "acDF")[0]->x();
    f.action("acDW")->setVisible(false);
    QApplication::processEvents();
    QCOMPARE(buttonsOf(bar, "acDF")[0]->x(), dfX);

    // Clicking a button runs its action.
    int runs = 0;
    f.controller().setHandler("acDT", [&] { ++runs; });
    QTest::mouseClick(buttonsOf(f.Notebook_Device->widget(0), "acDT")[0], Qt::LeftButton);
    QCOMPARE(runs, 1);
}

void TestMainWindow::entriesWithTheirOwnTexts()
{
    Window w;
    w.create();
    TMainForm& f = *w.form;
    QAction* entry = nullptr;
    for (QAction* a : f.menuBar()->actions()[1]->menu()->actions())
        if (a->property(kActionProperty).toString() == "acSetStandard")
            entry = a;
    QVERIFY(entry);
    QCOMPARE(entry->statusTip(), QString("Set Standard Parameter"));
    QCOMPARE(f.action("acSetStandard")->statusTip(), QString("Set Satndard Parameter"));
    QCOMPARE(entry->text(), QString("Set Standard"));
    f.action("acSetStandard")->setVisible(false);
    QVERIFY(!entry->isVisible());
    int runs = 0;
    f.controller().setHandler("acSetStandard", [&] { ++runs; });
    f.action("acSetStandard")->setVisible(true);
    entry->trigger();
    QCOMPARE(runs, 1);

    QAction* clear = f.ChartMenu->actions()[4];
    f.action("acClearGrafik")->setEnabled(false);
    QVERIFY(!clear->isEnabled());
    QCOMPARE(f.action("acVM")->statusTip(), QString());
    QCOMPARE(f.action("acPrint")->statusTip(), QString("Print"));
}

void TestMainWindow::hintGoesToTheStatusBar()
{
    Window w;
    QVERIFY(w.startOn(kNoPort, Answer::Cancel));
    TMainForm& f = *w.form;
    QStatusTipEvent tip(f.action("acOpen")->statusTip());
    QApplication::sendEvent(f.ToolBar1, &tip);
    QCOMPARE(f.statusBar()->currentMessage(), QString("Open Parameter File"));
    QVERIFY(!f.StatusPanel[0]->isVisible());
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(f.ToolBar1, &none);
    QCOMPARE(f.statusBar()->currentMessage(), QString());
    QVERIFY(f.StatusPanel[0]->isVisible());
    QVERIFY(f.StatusPanel[2]->isVisible());
}

void TestMainWindow::actionShortcutBeatsMenuMnemonic()
{
    Window w;
    QVERIFY(w.startOn(kNoPort, Answer::Cancel));
    TMainForm& f = *w.form;
    int settings = 0, print = 0;
    f.controller().setHandler("acSettings", [&] { ++settings; });
    f.controller().setHandler("acPrintGrafik", [&] { ++print; });
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&f));
    QTest::keyClick(&f, Qt::Key_C, Qt::AltModifier);
    QTest::keyClick(&f, Qt::Key_P, Qt::AltModifier);
    QCOMPARE(settings, 1);
    QCOMPARE(print, 1);
}

void TestMainWindow::debugInAnyCase()
{
    Window w;
    QVERIFY(w.startOn(kNoPort, Answer::Cancel, {"DeBuG"}));
    QCOMPARE(w.form->windowTitle(), QString("PXRTool (PXR7X) Debug"));
}

void TestMainWindow::interfaceSetupRules()
{
    Window w;
    w.put("ComPort", "Port", kNoPort);
    w.put("ComPort", "BaudRate", "1200");
    w.create();
    int baudIndexShown = 0;
    QString deviceShown;
    QVERIFY(w.show([&](TComSetupForm& d) {
        baudIndexShown = d.Combo_Baudrate->currentIndex();
        deviceShown = d.cb_device->currentText();
    }));
    QCOMPARE(baudIndexShown, -1); // 1200 is not offered
    QCOMPARE(deviceShown, QString("PXR7X"));
    QCOMPARE(w.form->controller().port().BaudRate(), 9600u); // OK without choosing
    QVERIFY(w.form->StatusPanel[0]->text().contains(":9600,8,None,1,None"));

    QString baudAfterSwitch;
    QVERIFY(w.setup([&](TComSetupForm& d) {
        QCOMPARE(d.cb_device->count(), 3);
        QCOMPARE(d.Combo_Baudrate->count(), 9);
        d.cb_device->setCurrentIndex(2);
        emit d.cb_device->activated(2);
        baudAfterSwitch = d.Combo_Baudrate->currentText();
        d.Combo_Baudrate->setCurrentIndex(d.Combo_Baudrate->findText("19200"));
    }));
    QCOMPARE(baudAfterSwitch, QString("115200"));
    QCOMPARE(w.form->controller().port().BaudRate(), 115200u); // the model line wins
    QCOMPARE(w.form->windowTitle(), QString("PXRTool (PXR501/PXR502)"));
    QCOMPARE(SettingsStore(w.store).readDeviceType(), 2);

    // Same line, another rate: the rate is applied.
    QVERIFY(w.setup([](TComSetupForm& d) {
        d.Combo_Baudrate->setCurrentIndex(d.Combo_Baudrate->findText("38400"));
    }));
    QCOMPARE(w.form->controller().port().BaudRate(), 38400u);
}

void TestMainWindow::simulateDeviceOnOK()
{
    Window w;
    QVERIFY(w.startOn(kNoPort, Answer::Cancel));
    TMainForm& f = *w.form;
    QVERIFY(!f.action("acSimulation")->isVisible());
    bool readoutTicked = false;
    QVERIFY(w.setup([&](TComSetupForm& d) {
        QVERIFY(!d.CheckBox1->isChecked());
        d.CheckBox2->click();
        readoutTicked = d.CheckBox1->isChecked();
    }));
    QVERIFY(readoutTicked);
    QCOMPARE(f.windowTitle(), QString("PXRTool (PXR7X) Simulation"));
    QVERIFY(f.action("acSimulation")->isVisible());
    QVERIFY(f.terminalPage().panel()->isHidden());
    QCOMPARE(f.measurementUi().liveValue()->palette().color(QPalette::WindowText), QColor(Qt::red));
    QVERIFY(!f.action("acDevice")->isEnabled());
    QVERIFY(!f.action("acTP")->isEnabled());
    QVERIFY(f.action("acDT")->isEnabled());
    QVERIFY(f.controller().Timer_AutoGet().isActive());
    QVERIFY(!f.controller().port().Connected());
    QCOMPARE(f.StatusPanel[2]->text(), QString()); // simulation does not try to open the port

    // The boxes keep their state for the next showing.
    bool stillTicked = false;
    QVERIFY(w.setup([&](TComSetupForm& d) {
        stillTicked = d.CheckBox2->isChecked() && d.CheckBox1->isChecked();
        d.CheckBox2->click(); // untick: the readout box stays
    }));
    QVERIFY(stillTicked);
    QCOMPARE(f.windowTitle(), QString("PXRTool (PXR7X)"));
    QVERIFY(!f.action("acSimulation")->isVisible());
    QVERIFY(!f.terminalPage().panel()->isHidden());
    QCOMPARE(f.measurementUi().liveValue()->palette().color(QPalette::WindowText), QColor(Qt::black));
    QVERIFY(f.action("acDevice")->isEnabled());
}

void TestMainWindow::typedPortIsKept()
{
    Window w;
    QVERIFY(w.startOn(kNoPort, Answer::Cancel));
    const QString typed = "/dev/serial/by-id/usb-FTDI_test-if00-port0";
    QVERIFY(w.setup([&](TComSetupForm& d) {
        QVERIFY(d.Combo_Port->isEditable());
        QVERIFY(d.Combo_Port->findText(kNoPort) >= 0); // the stored name, though unlisted
        d.Combo_Port->lineEdit()->clear();
        QTest::keyClicks(d.Combo_Port->lineEdit(), typed);
    }));
    QCOMPARE(QString::fromStdString(w.form->controller().port().Port()), typed);
    QVERIFY(w.form->StatusPanel[0]->text().startsWith(" " + typed + ":"));
    QString shown;
    int index = -1;
    QVERIFY(w.setup(
        [&](TComSetupForm& d) {
            shown = d.Combo_Port->currentText();
            index = d.Combo_Port->findText(typed);
        },
        Answer::Cancel));
    QCOMPARE(shown, typed);
    QVERIFY(index >= 0);
    QCOMPARE(SettingsStore(w.store).loadPortSettings().port, typed.toStdString());
}

void TestMainWindow::deviceInfoLostPortAndReconnect()
{
    if (!PtyMeter::available())
        QSKIP("pxr-meter is not part of this build");
    MeterWindow w;
    QVERIFY(w.meter.start({"--model", "pxr7x"}));
    const QString link = w.link();
    w.put("ComPort", "Port", link);
    w.create();
    TMainForm& f = *w.form;
    // Return confirms the interface setup, as a user would.
    QVERIFY(w.show({}, Answer::Return));
    QTRY_VERIFY_WITH_TIMEOUT(f.controller().port().Connected(), 5000);
    QCOMPARE(f.StatusPanel[0]->text(), " " + link + ":9600,8,None,1,None");

    auto* history = f.findChild<QPlainTextEdit*>("CPortHistory1");
    QVERIFY(history);
    f.action("acDevice")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(history->toPlainText().contains("ID PXR7X"), 3000);

    // The far end goes away: one message, port closed, nothing spins.
    w.meter.kill();
    QTRY_VERIFY_WITH_TIMEOUT(!f.controller().port().Connected(), 3000);
    QVERIFY2(f.StatusPanel[2]->text().startsWith(" Port lost: " + link), qPrintable(f.StatusPanel[2]->text()));
    // The stale system text of a hung-up line is not passed on.
    QCOMPARE(f.StatusPanel[2]->text(), " Port lost: " + link + ": the device was disconnected or stopped answering");
    const std::clock_t cpu0 = std::clock();
    QTest::qWait(1000);
    const double cpuMs = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    QVERIFY2(cpuMs < 300, qPrintable(QString("CPU %1 ms in 1 s while disconnected").arg(cpuMs)));
    QVERIFY(f.StatusPanel[2]->text().startsWith(" Port lost: "));

    // Reconnect through the interface setup without restarting.
    QVERIFY(w.meter.start({"--model", "pxr7x"}));
    QVERIFY(w.setup({}, Answer::Cancel));
    QVERIFY(f.controller().port().Connected());
    QCOMPARE(f.StatusPanel[2]->text(), QString());
    const int ids = history->toPlainText().count("ID PXR7X");
    f.action("acDevice")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(history->toPlainText().count("ID PXR7X") > ids, 3000);
    f.action("acExit")->trigger();
    QVERIFY(!f.controller().port().Connected());
}

void TestMainWindow::runNotTheUsersSetupLeavesTheSettingsFile()
{
    // The user's own settings file, as an earlier ordinary run left it.
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + "/PXRTool";
    const QString file = folder + "/PXRTool.conf";
    const QByteArray userFile = "[ComPort]\nPort=/dev/ttyUSB0\nBaudRate=9600\nStopBits=1\nDataBits=8\n"
                                "Parity=None\nFlowControl=None\n\n[Device]\nType=0\n\n"
                                "[Graphic]\nMaximum=40\n\n[Directory]\nParameter=/srv/params\n";
    const auto fileBytes = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // Runs the program on the settings and confirms everything a run can
    // confirm: the interface setup with another port, Diagram Setup with
    // another maximum, Directory Setup with another folder.
    const auto confirmEverything = [&](RunSettings& settings) {
        TMainForm form(settings.backend(), {});
        form.createDialogs();
        bool answered = false;
        answerSetup(form, [](TComSetupForm& d) {
            d.Combo_Port->lineEdit()->clear();
            QTest::keyClicks(d.Combo_Port->lineEdit(), kNoPort);
        }, Answer::OK, &answered);
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(answered && form.windowTitle().startsWith("PXRTool ("), 5000);
        QCOMPARE(QString::fromStdString(form.controller().port().Port()), QString(kNoPort));

        form.Notebook->setCurrentIndex(1);
        QPushButton* setupButton = buttonsOf(form.Notebook_Graphic->widget(0), "acGraphic").value(0);
        QVERIFY(setupButton);
        pxr::test::whenShown<TGraphicSetupForm>(&form, [](TGraphicSetupForm* d) {
            d->ed_max->setText("55");
            QTest::mouseClick(d->Button1, Qt::LeftButton);
        });
        QTest::mouseClick(setupButton, Qt::LeftButton);
        QCOMPARE(form.GraphicSetupForm->settings().maximum, 55.0);

        form.DirectorySetupForm->BrowseFolder = [](QWidget*, const QString&, const QString&) {
            return QStringLiteral("/tmp/pxr-elsewhere");
        };
        pxr::test::whenShown<TDirectorySetupForm>(&form, [](TDirectorySetupForm* d) {
            QTest::mouseClick(d->DirectoryButton1, Qt::LeftButton);
            QTest::mouseClick(d->BitBtn_ok, Qt::LeftButton);
        });
        form.activateWindow(); // the user clicks into the window again
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&form));
        QTest::keyClick(&form, Qt::Key_D, Qt::AltModifier);
        QCOMPARE(form.DirectorySetupForm->ParameterFolder(), QString("/tmp/pxr-elsewhere"));
        form.close();
    };

    static qint64 stamp = 1500000000;
    for (const bool keep : {true, false}) {
        QDir().mkpath(folder);
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(userFile);
            // QSettings rereads a file only when its time or size changed.
            QVERIFY(f.setFileTime(QDateTime::fromSecsSinceEpoch(stamp++), QFileDevice::FileModificationTime));
        }
        {
            RunSettings settings(keep);
            QCOMPARE(settings.writesUserSettings(), !keep);
            confirmEverything(settings);
        }
        if (keep) {
            QCOMPARE(fileBytes(), userFile);
        } else {
            // The same steps in an ordinary run do reach the file.
            const QByteArray written = fileBytes();
            QVERIFY2(written.contains(QByteArray("Port=") + kNoPort), written.constData());
            QVERIFY2(written.contains("Maximum=55"), written.constData());
            QVERIFY2(written.contains("Parameter=/tmp/pxr-elsewhere"), written.constData());
        }
    }
    QDir(folder).removeRecursively();
}

void TestMainWindow::interfaceSetupRefusesAnEmptyPortName()
{
    Window w;
    QVERIFY(w.startOn(kNoPort, Answer::Cancel));
    TMainForm& f = *w.form;
    QString refusal;
    bool stillOpen = false;
    bool answered = false;
    answerSetup(f, [&](TComSetupForm& d) {
        d.Combo_Port->lineEdit()->clear();
        answerMessageBox(&f, &refusal);
        QTest::mouseClick(d.OKButton, Qt::LeftButton);
        stillOpen = d.isVisible();
        QTest::keyClicks(d.Combo_Port->lineEdit(), "/dev/ttyUSB7");
    }, Answer::OK, &answered);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&f));
    QTest::keyClick(&f, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(answered);
    QVERIFY(stillOpen);
    QVERIFY2(refusal.contains("port name"), qPrintable(refusal));
    QCOMPARE(SettingsStore(w.store).loadPortSettings().port, std::string("/dev/ttyUSB7"));

    // Simulation needs no port: an empty name is taken then.
    answered = false;
    answerSetup(f, [](TComSetupForm& d) {
        d.Combo_Port->lineEdit()->clear();
        d.CheckBox2->click();
    }, Answer::OK, &answered);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&f));
    QTest::keyClick(&f, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(answered);
    QVERIFY(!f.ComSetupForm->isVisible());
    QVERIFY(f.controller().simulationOn());
}

void TestMainWindow::startupNamesTheOneFolderThatFellBack()
{
    Window w;
    w.put("ComPort", "Port", kNoPort);
    w.store.put("Directory", "Parameter", StoredValue::binary("\x01\x02"));
    w.put("Directory", "LogFile", "/srv/logs");
    w.create();
    QString message;
    answerMessageBox(w.form.get(), &message);
    QVERIFY(w.show({}, Answer::Cancel));
    QVERIFY2(message.contains("Directory/Parameter"), qPrintable(message));
    QVERIFY2(!message.contains("LogFile"), qPrintable(message));
    TDirectorySetupForm& dirs = *w.form->DirectorySetupForm;
    QCOMPARE(dirs.ParameterFolder().toStdString(), w.form->controller().DocumentsFolder);
    QCOMPARE(dirs.LogFolder(), QString("/srv/logs"));
    QCOMPARE(dirs.DirectoryEdit2->text(), QString("/srv/logs"));
}

void TestMainWindow::noDisplayEndsWithOneLine()
{
#ifndef PXRTOOL_PATH
    QSKIP("pxrtool is not part of this build");
#else
    const struct {
        const char* platform; // QT_QPA_PLATFORM, null: unset
        const char* display;  // DISPLAY, null: unset
        const char* says;
    } cases[] = {
        {nullptr, nullptr, "DISPLAY is not set"},
        {"xcb", ":64999", "\":64999\""}, // a display nobody serves: found only by the toolkit
    };
    for (const auto& c : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        if (c.platform)
            env.insert("QT_QPA_PLATFORM", c.platform);
        if (c.display)
            env.insert("DISPLAY", c.display);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(PXRTOOL_PATH, {});
        QVERIFY(p.waitForFinished(20000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit); // no abort
        QVERIFY(p.exitCode() != 0);
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.startsWith("pxrtool: ") && err.contains(c.says) && err.contains("pxrctl"), qPrintable(err));
        QVERIFY2(!err.contains("einstall"), qPrintable(err));
    }
#endif
}

void TestMainWindow::portSettingsPanelKeepsTheLineSettingsInView()
{
    Window w;
    QVERIFY(w.startOn(kNoPort, Answer::Cancel));
    TMainForm& f = *w.form;
    auto* panel = qobject_cast<PortSettingsPanel*>(f.StatusPanel[0]);
    QVERIFY(panel);
    QCOMPARE(panel->width(), 175);
    const QString settings = ":9600,8,None,1,None";
    const struct {
        const char* port;
        bool shortened;
    } cases[] = {
        {"COM1", false},
        {"/dev/ttyUSB0", true},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", true},
        {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0", true}, // colons in the name
        {"rfc2217://192.168.10.20:4001", true},
    };
    for (const auto& c : cases) {
        QVERIFY(w.setup([&](TComSetupForm& d) {
            d.Combo_Port->lineEdit()->clear();
            QTest::keyClicks(d.Combo_Port->lineEdit(), c.port);
        }));
        const QString whole = " " + QString(c.port) + settings;
        const QString shown = panel->shownText();
        QCOMPARE(panel->toolTip(), whole);
        QCOMPARE(f.StatusPanel[0]->text(), whole);
        QVERIFY2(shown.endsWith(settings), qPrintable(shown));
        QVERIFY2(shown.startsWith(" " + QString(c.port).left(2)), qPrintable(shown));
        QCOMPARE(shown != whole, c.shortened);
        QCOMPARE(shown.contains(QChar(0x2026)), c.shortened); // "…" where the middle went
        QVERIFY2(panel->fontMetrics().horizontalAdvance(shown) <= panel->contentsRect().width(), qPrintable(shown));
    }
}

PXR_WINDOW_TEST_MAIN(TestMainWindow)

#include "test_mainwindow.moc"
