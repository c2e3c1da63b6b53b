// The parameter editor in the real main window, offscreen: the pages built
// from the tables, step buttons, the heater check (also with a German
// decimal comma), Get Parameter with F8 against pxr-meter on a
// pseudo-terminal for each model line, the closed port, the file and
// clipboard commands with their refusals, and characters the meter cannot
// take (typed, pasted or imported) not taken.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QAbstractItemView>
#include <QCompleter>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>
#include <QToolButton>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/KeyValueBackend.h"
#include "app/MainForm.h"
#include "devices/ParameterTable.h"
#include "parameters/ParameterCommands.h"
#include "parameters/ParameterEditorPanel.h"
#include "qt/WindowRig.h"
#include "qt/WindowTestMain.h"
#include "app/ComSetupForm.h"

using namespace pxr;
using namespace pxr::test;

namespace {

const char* const kNoPort = "/nonexistent/pxr-test-port";
const char* const kScrollBoxes[3] = {"ScrollBox_4X", "ScrollBox_300C", "ScrollBox_301"};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A window on no port whose parameter folder is a temporary folder of its own.
struct FolderWindow : Window {
    QTemporaryDir dir;

    ~FolderWindow() { form.reset(); } // the window goes before its folder
    bool startInFolder()
    {
        put("Directory", "Parameter", dir.path());
        return start(kNoPort, 0);
    }
    // The same with a file `name` of `bytes` in the folder: the file's path,
    // "" where the file or the window failed.
    QString startWithFile(const char* name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        return writeFile(path, bytes) && startInFolder() ? path : QString();
    }
};

QToolButton* toolButton(Window& w, const char* action)
{
    return qobject_cast<QToolButton*>(w.form->ToolBar1->widgetForAction(w.form->action(action)));
}

} // namespace

class TestParameterEditor : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void pagesAreBuiltFromTheTables();
    void hintsAndSpecialRows();
    void stepButtons_data();
    void stepButtons();
    void heaterCheckWhenLeavingTheField_data();
    void heaterCheckWhenLeavingTheField();
    void closedPortKeepsTheEditor();
    void openRefusesFilesThatAreNoParameterFiles();
    void saveAndOpen();
    void saveFailureNamesTheFile();
    void printWithoutAPrinterSaysSo();
    void fileDialogTakesItsCompletionListAlong();
    void exportAndImport();
    void charactersTheMeterCannotTakeAreNotTaken();
    void getParameterWithF8_data();
    void getParameterWithF8();
};

void TestParameterEditor::pagesAreBuiltFromTheTables()
{
    Window w;
    QVERIFY(w.start(kNoPort, 0));
    TMainForm& f = *w.form;
    for (int line = 0; line < 3; ++line) {
        QWidget* page = f.Notebook_Left->widget(line);
        auto* scroll = page->findChild<QScrollArea*>(kScrollBoxes[line]);
        QVERIFY2(scroll, kScrollBoxes[line]);
        QCOMPARE(w.panel().scrollBox(static_cast<DeviceType>(line)), scroll);
        // The bold heading first, then the group boxes in table order.
        auto* heading = scroll->widget()->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(heading);
        QCOMPARE(heading->text(), QString("Parameter"));
        QVERIFY(heading->font().bold());
        QStringList expectedGroups;
        for (const ParameterDef& def : parameterTable(static_cast<DeviceType>(line)))
            if (expectedGroups.isEmpty() || expectedGroups.last() != QString::fromStdString(def.group))
                expectedGroups << QString::fromStdString(def.group);
        QStringList groups;
        for (QGroupBox* g : scroll->widget()->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly))
            groups << g->title();
        QCOMPARE(groups, expectedGroups);

        for (const ParameterDef& def : parameterTable(static_cast<DeviceType>(line))) {
            QLineEdit* previous = nullptr;
            for (const ValueDef& v : def.values) {
                const QString name = QString::fromStdString(v.control);
                auto* edit = scroll->findChild<QLineEdit*>(name);
                QVERIFY2(edit, qPrintable(name));
                QCOMPARE(w.panel().field(v.control), edit);
                // In the group box of its code, right of the previous value.
                auto* box = qobject_cast<QGroupBox*>(edit->parentWidget()->parentWidget());
                QVERIFY2(box && box->title() == QString::fromStdString(def.group), qPrintable(name));
                QToolButton* up = w.panel().stepButton(v.control, StepDirection::Up);
                QToolButton* down = w.panel().stepButton(v.control, StepDirection::Down);
                QCOMPARE(up != nullptr, v.kind != EditorKind::FreeText);
                QCOMPARE(down != nullptr, v.kind != EditorKind::FreeText);
                if (v.hidden)
                    continue;
                if (line == f.Notebook_Left->currentIndex()) {
                    QVERIFY2(edit->isVisible(), qPrintable(name));
                    if (previous)
                        QVERIFY2(edit->mapTo(box, QPoint()).x() > previous->mapTo(box, QPoint()).x(),
                                 qPrintable(name));
                    if (up) {
                        QVERIFY(up->isVisible() && down->isVisible());
                        const int editRight = edit->mapTo(box, QPoint(edit->width(), 0)).x();
                        const int buttonLeft = up->mapTo(box, QPoint()).x();
                        QVERIFY2(buttonLeft >= editRight && buttonLeft - editRight < 6, qPrintable(name));
                        QVERIFY(up->mapTo(box, QPoint()).y() < down->mapTo(box, QPoint()).y());
                    }
                }
                previous = edit;
            }
        }
        // Get left of Set, both bold, under the scroll box.
        QPushButton* get = nullptr;
        QPushButton* set = nullptr;
        for (QPushButton* b : page->findChildren<QPushButton*>()) {
            if (b->text() == "Get")
                get = b;
            if (b->text() == "Set")
                set = b;
        }
        QVERIFY(get && set);
        QVERIFY(get->font().bold() && set->font().bold());
        if (line == f.Notebook_Left->currentIndex()) {
            QVERIFY(get->x() < set->x());
            QVERIFY(get->mapTo(page, QPoint()).y() > scroll->mapTo(page, QPoint()).y());
        }
    }
}

void TestParameterEditor::hintsAndSpecialRows()
{
    Window w;
    QVERIFY(w.start(kNoPort, 2));
    // Hints as tool-tip and status tip, multi-line ones with CR LF.
    for (DeviceType line : {kPXR7X, kPXR500C, kPXR501})
        for (const ParameterDef& def : parameterTable(line))
            for (const ValueDef& v : def.values) {
                QLineEdit* e = w.panel().field(v.control);
                QCOMPARE(e->toolTip(), QString::fromStdString(v.hintText()));
                QCOMPARE(e->statusTip(), e->toolTip());
            }
    QCOMPARE(w.field("cb_tl_2")->toolTip(), QString("Trigger Level \r\n0: H/L edge\r\n1: L/H edge"));
    QCOMPARE(w.field("cb_he_2_1")->toolTip(), QString::fromUtf8("HE Heat ON (-60..40 \u00b0C)"));
    QCOMPARE(w.field("cb_sd")->toolTip(),
             QString("Display Format,\r\nd=Decimal\r\nh=Hexadecimal\r\ns=Decimal + Signal Strength"));

    // The second SE field is never shown, nor its step buttons, but it holds text.
    QWidget* page = w.form->Notebook_Left->widget(2);
    QVERIFY(w.field("cb_se_2_1")->isVisible());
    QVERIFY(!w.field("cb_se_2_2")->isVisible());
    QVERIFY(!w.panel().stepButton("cb_se_2_2", StepDirection::Up)->isVisible());
    QVERIFY(!w.panel().stepButton("cb_se_2_2", StepDirection::Down)->isVisible());
    w.form->controller().PXR501()->SetSE(1, "1");
    QCOMPARE(w.text("cb_se_2_2"), QString("1"));

    // The row of cb_vp_2 says "PL", level with the field.
    QLabel* pl = nullptr;
    for (QLabel* l : page->findChildren<QLabel*>())
        if (l->text() == "PL")
            pl = l;
    QVERIFY(pl);
    QLineEdit* vp = w.field("cb_vp_2");
    QCOMPARE(pl->parentWidget(), vp->parentWidget()->parentWidget());
    QVERIFY(qAbs(pl->mapToGlobal(pl->rect().center()).y() - vp->mapToGlobal(vp->rect().center()).y()) < 8);

    // The pointer on a field brings its hint to the status bar.
    QTest::mouseMove(vp);
    QTRY_VERIFY(w.form->statusBar()->currentMessage().startsWith("Red Pilot Laser"));
}

void TestParameterEditor::stepButtons_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("after");
    QTest::newRow("st 0 down") << 0 << "cb_st" << "0" << false << "0";
    QTest::newRow("st 0 up") << 0 << "cb_st" << "0" << true << "1";
    QTest::newRow("st 25 up") << 0 << "cb_st" << "25" << true << "25";
    QTest::newRow("st 40 down") << 0 << "cb_st" << "40" << false << "25";
    QTest::newRow("sa empty up") << 0 << "cb_sa" << "" << true << "1";
    QTest::newRow("sa empty down") << 0 << "cb_sa" << "" << false << "1";
    QTest::newRow("sf 1000 up") << 0 << "cb_sf" << "1000" << true << "1000";
    QTest::newRow("sf 1000 down") << 0 << "cb_sf" << "1000" << false << "100";
    QTest::newRow("sd D up") << 0 << "cb_sd" << "D" << true << "h";
    QTest::newRow("as xx up") << 0 << "cb_as" << "xx" << true << "dt";
    QTest::newRow("as xx down") << 0 << "cb_as" << "xx" << false << "dt";
    QTest::newRow("sa_1 50 up") << 1 << "cb_sa_1" << "50" << true << "50";
    QTest::newRow("as_1 tp up") << 1 << "cb_as_1" << "tp" << true << "id";
    QTest::newRow("sa_2 empty down") << 2 << "cb_sa_2" << "" << false << "0";
    QTest::newRow("mf_2 abc up") << 2 << "cb_mf_2" << "abc" << true << "1";
    QTest::newRow("mf_2 abc down") << 2 << "cb_mf_2" << "abc" << false << "1";
    QTest::newRow("as_2 id down") << 2 << "cb_as_2" << "id" << false << "id";
    QTest::newRow("vp_2 3 up") << 2 << "cb_vp_2" << "3" << true << "3";
    QTest::newRow("te_2 2.5 up") << 2 << "cb_te_2" << "2.5" << true << "1";
}

void TestParameterEditor::stepButtons()
{
    QFETCH(int, line);
    QFETCH(QString, control);
    QFETCH(QString, before);
    QFETCH(bool, up);
    QFETCH(QString, after);
    Window w;
    QVERIFY(w.start(kNoPort, line));
    const std::string c = control.toStdString();
    w.type(c.c_str(), before);
    QToolButton* b = w.panel().stepButton(c, up ? StepDirection::Up : StepDirection::Down);
    QVERIFY(b && b->isVisible());
    // Named after the field, with the halves of the page's handlers.
    const QString pair = "sp_" + control.mid(3);
    QCOMPARE(b->objectName(), pair + (line == 2 ? (up ? "Up" : "Down") : (up ? "_Top" : "_Bottom")));
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(w.text(c.c_str()), after);
}

void TestParameterEditor::heaterCheckWhenLeavingTheField_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("on");
    QTest::addColumn<QString>("off");
    QTest::addColumn<QString>("onAfter");
    QTest::addColumn<QString>("offAfter");
    QTest::newRow("50 30") << "C" << "50" << "30" << "30" << "30";
    QTest::newRow("-70 50") << "C" << "-70" << "50" << "-60" << "45";
    QTest::newRow("10 empty") << "C" << "10" << "" << "10" << "";
    QTest::newRow("abc 20") << "C" << "abc" << "20" << "abc" << "20";
    QTest::newRow("12,5 10") << "C" << "12,5" << "10" << "10" << "10";
    QTest::newRow("5 4.5 English") << "en_US" << "5" << "4.5" << "4.5" << "4.5";
    QTest::newRow("5 4.5 German") << "de_DE" << "5" << "4.5" << "4,5" << "4.5";
    QTest::newRow("5 4,25 German") << "de_DE" << "5" << "4,25" << "4,25" << "4,25";
    QTest::newRow("-60,5 0 German") << "de_DE" << "-60,5" << "0" << "-60" << "0";
}

void TestParameterEditor::heaterCheckWhenLeavingTheField()
{
    QFETCH(QString, locale);
    QFETCH(QString, on);
    QFETCH(QString, off);
    QFETCH(QString, onAfter);
    QFETCH(QString, offAfter);
    QLocale::setDefault(QLocale(locale));
    Window w;
    QVERIFY(w.start(kNoPort, 2));
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(w.form.get()));
    w.type("cb_he_2_1", on);
    w.type("cb_he_2_2", off);
    // Nothing happens while the user stays in the field.
    w.field("cb_he_2_2")->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(w.field("cb_he_2_2")->hasFocus());
    QCOMPARE(w.text("cb_he_2_1"), on);
    // Leaving it for another field runs the check.
    w.field("cb_sc_2")->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(w.field("cb_sc_2")->hasFocus());
    QCOMPARE(w.text("cb_he_2_1"), onAfter);
    QCOMPARE(w.text("cb_he_2_2"), offAfter);
}

void TestParameterEditor::closedPortKeepsTheEditor()
{
    Window w;
    QVERIFY(w.start(kNoPort, 0));
    TMainForm& f = *w.form;
    QVERIFY(!f.controller().port().Connected());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&f));
    w.type("cb_sa", "42");
    w.type("cb_aw", "7,5");
    QTest::keyClick(&f, Qt::Key_F8);
    QCOMPARE(w.status(), QString(" Interface not open"));
    QCOMPARE(w.text("cb_sa"), QString("42"));
    QCOMPARE(w.text("cb_aw"), QString("7,5"));
    QVERIFY(f.action("acGetParameter")->isEnabled());

    f.StatusPanel[2]->clear();
    QTest::keyClick(&f, Qt::Key_F10);
    QCOMPARE(w.status(), QString(" Interface not open"));
    QCOMPARE(w.text("cb_sa"), QString("42"));
    QVERIFY(f.action("acSetParameter")->isEnabled());

    // The readout box of the interface setup: the reason the port did not
    // open stays in panel 2.
    bool answered = false;
    whenShown<TComSetupForm>(&f, [&](TComSetupForm* d) {
        d->CheckBox1->setChecked(true);
        QTest::mouseClick(d->OKButton, Qt::LeftButton);
        answered = true;
    });
    f.action("acSettings")->trigger();
    QVERIFY(answered);
    QVERIFY(f.controller().Timer_AutoGet().isActive());
    QTRY_VERIFY(!f.controller().Timer_AutoGet().isActive());
    QVERIFY2(w.status().startsWith(" Unable to open com port"), qPrintable(w.status()));
    QCOMPARE(w.text("cb_aw"), QString("7,5"));
}

void TestParameterEditor::openRefusesFilesThatAreNoParameterFiles()
{
    FolderWindow w;
    const QString log = w.startWithFile("log.csv", "Time;Value\r\n0.1;5.000\r\n");
    QVERIFY(!log.isEmpty());
    const struct {
        QString path;
        QString reason;
    } cases[] = {{w.dir.filePath("missing.csv"), "does not exist"},
                 {log, "no [Parameter] section"}};
    for (const auto& c : cases) {
        w.type("cb_sa", "17");
        w.form->StatusPanel[2]->setText(" before");
        QString message;
        QString startedIn;
        answerFileDialog(w.form.get(), c.path, &startedIn);
        answerMessageBox(w.form.get(), &message);
        w.form->action("acOpen")->trigger();
        QCOMPARE(startedIn, QDir(w.dir.path()).absolutePath());
        QVERIFY2(message.contains(c.path) && message.contains(c.reason), qPrintable(message));
        QCOMPARE(w.text("cb_sa"), QString("17"));
        QCOMPARE(w.status(), QString(" before"));
    }
}

void TestParameterEditor::saveAndOpen()
{
    QTemporaryDir dir;
    Window w;
    w.put("Directory", "Parameter", dir.path());
    QVERIFY(w.start(kNoPort, 1));
    w.type("cb_sa_1", "5");
    const QString path = dir.filePath("five.csv");
    QString startedIn;
    answerFileDialog(w.form.get(), path, &startedIn);
    w.form->action("acSave")->trigger();
    QCOMPARE(startedIn, QDir(dir.path()).absolutePath());
    QCOMPARE(w.status(), " Write: " + path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Parameter]\r\nSA=5\r\nTD= \r\nSF=\r\nAS=\r\nRB=\r\nRE=\r\nAC=\r\nAH=\r\n"));
    file.close();
    // The message goes away by itself.
    QTRY_COMPARE_WITH_TIMEOUT(w.status(), QString(), 5000);

    // Back in: the fields get the file's values.
    w.type("cb_sa_1", "9");
    w.type("cb_re_1", "x");
    answerFileDialog(w.form.get(), path);
    w.form->action("acOpen")->trigger();
    QCOMPARE(w.status(), " Read: " + path);
    QCOMPARE(w.text("cb_sa_1"), QString("5"));
    QCOMPARE(w.text("cb_re_1"), QString());
}

void TestParameterEditor::printWithoutAPrinterSaysSo()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("this computer has a printer");
    FolderWindow w;
    const QString path = w.startWithFile("p.csv", "[Parameter]\r\nSA=3\r\n");
    QVERIFY(!path.isEmpty());
    QToolButton* print = toolButton(w, "acPrint");
    QVERIFY(print);
    QString message;
    answerFileDialog(w.form.get(), path);
    answerMessageBox(w.form.get(), &message);
    QTest::mouseClick(print, Qt::LeftButton);
    QTRY_VERIFY(!message.isEmpty());
    QVERIFY2(message.contains(path) && message.contains("printer"), qPrintable(message));

    // With a printer (here one that writes PDF), the file is printed and nothing is said.
    QPrinter& printer = w.form->printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(w.dir.filePath("printed.pdf"));
    message.clear();
    answerFileDialog(w.form.get(), path);
    answerMessageBox(w.form.get(), &message);
    QTest::mouseClick(print, Qt::LeftButton);
    QTRY_VERIFY(QFileInfo(w.dir.filePath("printed.pdf")).size() > 0);
    QTest::qWait(100);
    QVERIFY2(message.isEmpty(), qPrintable(message));

    // A printer that fails (here a PDF into a folder that is not there) is named.
    printer.setOutputFileName(w.dir.filePath("missing/printed.pdf"));
    answerFileDialog(w.form.get(), path);
    answerMessageBox(w.form.get(), &message);
    QTest::mouseClick(print, Qt::LeftButton);
    QTRY_VERIFY2(message.contains("error"), qPrintable(message));
}

void TestParameterEditor::fileDialogTakesItsCompletionListAlong()
{
    FolderWindow w;
    for (const char* name : {"param1.csv", "param2.csv"})
        QVERIFY(writeFile(w.dir.filePath(name), "[Parameter]\r\nSA=3\r\n"));
    QVERIFY(w.startInFolder());
    // The user types a name, the completion list comes up, Return opens.
    QWidget* list = nullptr;
    whenShown<QFileDialog>(w.form.get(), [&](QFileDialog* d) {
        auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QVERIFY(name->completer());
        list = name->completer()->popup();
        d->activateWindow();
        name->setFocus();
        QTRY_VERIFY(name->hasFocus());
        QTest::keyClicks(name, "par");
        QTRY_VERIFY(list->isVisible());
        QTest::keyClicks(name, "am1.csv");
        QTest::keyClick(name, Qt::Key_Return);
    });
    QToolButton* open = toolButton(w, "acOpen");
    QVERIFY(open);
    QTest::mouseClick(open, Qt::LeftButton);
    QTRY_COMPARE(w.status(), " Read: " + w.dir.filePath("param1.csv"));
    QVERIFY(list);
    QVERIFY(!list->isVisible());
    QCOMPARE(w.text("cb_sa"), QString("3"));
}

void TestParameterEditor::saveFailureNamesTheFile()
{
    FolderWindow w;
    const QString path = w.startWithFile("old.csv", "[Parameter]\r\nSA=3\r\n");
    QVERIFY(!path.isEmpty());
    // A value that cannot be stored on one line: the old file stays whole.
    w.type("cb_sa", "1");
    w.field("cb_of")->setText(QString("1\n2"));
    QString message;
    answerFileDialog(w.form.get(), path);
    whenShown<QMessageBox>(w.form.get(), [&](QMessageBox* m) {
        // Replacing the existing file is confirmed first.
        if (m->text().contains("already exists")) {
            m->button(QMessageBox::Yes)->click();
            answerMessageBox(w.form.get(), &message);
            return;
        }
        message = m->text();
        m->accept();
    });
    w.form->action("acSave")->trigger();
    QTRY_VERIFY(!message.isEmpty());
    QVERIFY2(message.contains(path) && message.contains("OF"), qPrintable(message));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Parameter]\r\nSA=3\r\n"));
    QVERIFY(!w.status().startsWith(" Write:"));
}

void TestParameterEditor::exportAndImport()
{
    Window w;
    QVERIFY(w.start(kNoPort, 0));
    QClipboard* clipboard = QGuiApplication::clipboard();
    w.form->controller().PXR7x()->SetDefaults();
    w.form->action("acExport")->trigger();
    QCOMPARE(w.status(), QString(" Export to Clipboard"));
    QCOMPARE(clipboard->text(), QString("ST=0\r\nSA=1\r\nTD=0 0\r\nTM=0 1\r\nSF=1\r\nOF=0\r\nAS=dt\r\nSE=2\r\n"
                                        "RM=0 0 0\r\nSD=d\r\nRB=0\r\nRE=40\r\nAC=2\r\nAH=0.1\r\nAW=100000\r\n"));

    // Text that holds no parameter of the line: refused, fields untouched.
    for (const QString& junk : {QString("hello world"), QString(), QString("ST =12\r\nXX=1")}) {
        clipboard->setText(junk);
        w.form->StatusPanel[2]->setText(" before");
        QString message;
        answerMessageBox(w.form.get(), &message);
        w.form->action("acImport")->trigger();
        QVERIFY2(message.contains("holds no parameter"), qPrintable(message));
        QCOMPARE(w.text("cb_aw"), QString("100000"));
        QCOMPARE(w.status(), QString(" before"));
    }

    clipboard->setText("st=12");
    w.form->action("acImport")->trigger();
    QCOMPARE(w.status(), QString(" Import from Clipboard"));
    QCOMPARE(w.text("cb_st"), QString("12"));
    for (const std::string& c : w.controls())
        if (c != "cb_st")
            QVERIFY2(w.text(c.c_str()).isEmpty(), c.c_str());
}

// "€" typed or pasted into a field, or imported from the clipboard: refused
// with a text naming the code, never a "?" in the field.
void TestParameterEditor::charactersTheMeterCannotTakeAreNotTaken()
{
    Window w;
    QVERIFY(w.start("/nonexistent/pxr-test-port", 2) && w.activate());
    TMainForm& f = *w.form;
    QLineEdit* sa = w.field("cb_sa_2");
    typeInto(sa, QString::fromUtf8("5\u20ac"));
    QCOMPARE(sa->text(), QString("5"));
    QCOMPARE(w.status(), QString::fromUtf8(" \"\u20ac\" not taken: the meter cannot take it in SA"));

    QGuiApplication::clipboard()->setText(QString::fromUtf8("7\u00b0"));
    sa->selectAll();
    QTest::keyClick(sa, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(sa->text(), QString("5"));
    QCOMPARE(w.status(), QString::fromUtf8(" \"\u00b0\" not taken: the meter cannot take it in SA"));

    // A blank would split the values of a code that has several.
    typeInto(w.field("cb_td_2"), "1 2");
    QCOMPARE(w.text("cb_td_2"), QString("12"));
    QCOMPARE(w.status(), QString(" \" \" not taken: it would split the values of TD"));

    QGuiApplication::clipboard()->setText(QString::fromUtf8("SA=9\r\nAS=dt\u20ac\r\n"));
    QString message;
    answerMessageBox(&f, &message);
    QTest::mouseClick(f.ToolBar1->widgetForAction(f.action("acImport")), Qt::LeftButton);
    QTRY_VERIFY(!message.isEmpty());
    QCOMPARE(message, QString::fromUtf8("Cannot import from the clipboard: the value of AS contains \"\u20ac\", "
                                        "which the meter cannot take."));
    QCOMPARE(sa->text(), QString("5"));
}

void TestParameterEditor::getParameterWithF8_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("line");
    QTest::newRow("PXR7X") << "pxr7x" << 0;
    QTest::newRow("PXR500C") << "pxr500c" << 1;
    QTest::newRow("PXR501") << "pxr501" << 2;
    QTest::newRow("PXR502") << "pxr502" << 2;
}

void TestParameterEditor::getParameterWithF8()
{
    if (!PtyMeter::available())
        QSKIP("pxr-meter is not part of this build");
    QFETCH(QString, model);
    QFETCH(int, line);
    MeterWindow w;
    QVERIFY(w.start(model, line));
    TMainForm& f = *w.form;
    QVERIFY(f.controller().port().Connected());
    for (const std::string& c : w.controls())
        QVERIFY2(w.text(c.c_str()).isEmpty(), c.c_str());

    QTest::keyClick(&f, Qt::Key_F8);
    QTRY_COMPARE_WITH_TIMEOUT(w.status(), QString(" Get Parameter ok"), 20000);
    // The meter starts with its factory values; every field shows its part.
    const bool is502 = model == "pxr502";
    for (const auto& [code, joined] : factoryParameterValues(w.line(), is502)) {
        const ParameterDef* def = findParameter(w.line(), code);
        const std::vector<std::string> values = splitParameterValues(joined, def->values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const char* control = def->values[i].control.c_str();
            // Also the PXR500C's AS, which is asked for without a stop
            // string and, over a pseudo-terminal, comes in pieces.
            const QString shown = w.text(control);
            QVERIFY2(!shown.isEmpty(), control);
            QCOMPARE(shown, QString::fromStdString(values[i]));
        }
    }
    QVERIFY(f.action("acGetParameter")->isEnabled());
}

PXR_WINDOW_TEST_MAIN(TestParameterEditor)

#include "test_parametereditor.moc"
