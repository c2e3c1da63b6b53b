// One conversation with the meter at a time, in the real main window
// offscreen against pxr-meter on a pseudo-terminal, with real keys and
// clicks: a second command pressed inside Set Parameter does nothing and
// Set writes what was typed; typing in the terminal sends nothing and says
// so; progress and Cancel (button and Esc) in the status bar; the heater
// check on every write path; fields that show their whole value.

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>

#include "app/ConversationPanel.h"
#include "qt/WindowRig.h"
#include "qt/WindowTestMain.h"
#include "terminal/TerminalPage.h"
#include "terminal/TerminalView.h"

using namespace pxr;
using namespace pxr::test;

namespace {

// Runs `act` after `ms`, inside whatever the window waits for then.
void later(QObject* owner, int ms, std::function<void()> act) { QTimer::singleShot(ms, owner, std::move(act)); }

QString screenText(const TerminalView& view)
{
    QString text;
    const TerminalScreen& s = view.screen();
    for (int r = 0; r < s.rows(); ++r) {
        for (int c = 0; c < s.cols(); ++c) {
            const char32_t ch = s.cell(r, c).ch;
            text += ch ? QString::fromUcs4(&ch, 1) : QStringLiteral(" ");
        }
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

class TestConversationUi : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void secondCommandInsideSetIsDisabled();
    void typingInTheTerminalIsNotSentWhileTalking();
    void progressAndCancel_data();
    void progressAndCancel();
    void heaterCheckOnEveryWritePath_data();
    void heaterCheckOnEveryWritePath();
    void fieldsShowTheirWholeValue();
};

// Every test here talks to a pxr-meter.
void TestConversationUi::initTestCase()
{
    if (!PtyMeter::available())
        QSKIP("pxr-meter is not part of this build");
}

// F10, then F8 and a click on "Get" inside Set's waits: both are disabled,
// and Set writes the SA that was typed (before, the readout refilled the
// editor inside Set's stop pause and Set wrote the meter's old SA back).
void TestConversationUi::secondCommandInsideSetIsDisabled()
{
    MeterWindow w;
    QVERIFY(w.startRead("pxr7x", 0));
    TMainForm& f = *w.form;
    QVERIFY(w.text("cb_sa") != "7");
    typeInto(w.field("cb_sa"), "7");
    QCOMPARE(w.text("cb_sa"), QString("7"));

    bool pressed = false;
    bool getEnabled = true;
    bool buttonEnabled = true;
    bool readOnly = false;
    later(&f, 300, [&] {
        pressed = true;
        getEnabled = f.action("acGetParameter")->isEnabled();
        auto* get = f.findChild<QPushButton*>("btn_Get");
        buttonEnabled = get->isEnabled();
        readOnly = w.field("cb_sa")->isReadOnly();
        QTest::keyClick(&f, Qt::Key_F8);
        QTest::mouseClick(get, Qt::LeftButton);
    });
    QTest::keyClick(&f, Qt::Key_F10);
    QTRY_COMPARE_WITH_TIMEOUT(w.status(), QString(" Get Parameter ok"), 20000);
    QVERIFY(pressed);
    QVERIFY(!getEnabled);
    QVERIFY(!buttonEnabled);
    QVERIFY(readOnly);
    // Read back from the meter: it holds what was typed.
    QCOMPARE(w.text("cb_sa"), QString("7"));
    QVERIFY(f.action("acGetParameter")->isEnabled());
    QVERIFY(!w.field("cb_sa")->isReadOnly());
}

void TestConversationUi::typingInTheTerminalIsNotSentWhileTalking()
{
    MeterWindow w;
    QVERIFY(w.startRead("pxr7x", 0));
    TMainForm& f = *w.form;
    f.Notebook->setCurrentIndex(2);
    QTRY_VERIFY(f.terminalPage().view()->hasFocus());
    f.terminalPage().view()->ComTerminalDblClick();

    QString note;
    later(&f, 400, [&] {
        // The terminal keeps Esc for the meter: no Cancel from here.
        QTest::keyClick(f.terminalPage().view(), Qt::Key_Escape);
        QTest::keyClicks(f.terminalPage().view(), "ID");
        QTest::keyClick(f.terminalPage().view(), Qt::Key_Return);
        note = f.terminalPage().view()->inputNote();
    });
    QTest::keyClick(&f, Qt::Key_F8);
    QTRY_COMPARE_WITH_TIMEOUT(w.status(), QString(" Get Parameter ok"), 20000);
    QCOMPARE(note, QString("Typing is not sent while Get Parameter talks to the meter."));
    QVERIFY(f.terminalPage().view()->inputNote().isEmpty());
    // Nothing was echoed, so nothing went out; and the meter said nothing
    // about an ID.
    QTest::qWait(300);
    const QString shown = screenText(*f.terminalPage().view());
    QVERIFY2(!shown.contains("ID") && !shown.contains("PXR7X V"), qPrintable(shown));

    // Afterwards typing works again.
    QTest::keyClicks(f.terminalPage().view(), "ID");
    QTest::keyClick(f.terminalPage().view(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(screenText(*f.terminalPage().view()).contains("PXR7X V"), 5000);
}

void TestConversationUi::progressAndCancel_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "button";
    QTest::newRow("Esc on the window") << "Esc";
    QTest::newRow("Esc in a field") << "Esc in a field";
}

// A readout of a meter that takes 150 ms per answer: the status bar shows
// the code being read (n of N) and a Cancel button; Cancel or Esc end the
// readout after the current exchange, the fields already read stay.
void TestConversationUi::progressAndCancel()
{
    QFETCH(QString, how);
    MeterWindow w;
    QVERIFY(w.start("pxr7x", 0, {"--answer-ms", "150"}));
    TMainForm& f = *w.form;
    ConversationPanel* panel = f.ConversationStatus;
    QVERIFY(!panel->isVisible());

    bool visible = false;
    QString text;
    int value = -1;
    int maximum = -1;
    bool readOnly = false;
    later(&f, 1200, [&] {
        visible = panel->isVisible();
        text = panel->label()->text();
        value = panel->bar()->value();
        maximum = panel->bar()->maximum();
        readOnly = w.field("cb_aw")->isReadOnly();
        if (how == "button") {
            QTest::mouseClick(panel->cancelButton(), Qt::LeftButton);
        } else if (how == "Esc") {
            f.setFocus();
            QTest::keyClick(&f, Qt::Key_Escape);
        } else {
            w.field("cb_sa")->setFocus();
            QTest::keyClick(w.field("cb_sa"), Qt::Key_Escape);
        }
    });
    QTest::keyClick(&f, Qt::Key_F8);
    QTRY_VERIFY_WITH_TIMEOUT(!f.controller().conversation().active(), 20000);

    QVERIFY(visible);
    const QRegularExpression progress("^Get Parameter: ([A-Z]{2}) \\((\\d+) of 15\\)$");
    const QRegularExpressionMatch m = progress.match(text);
    QVERIFY2(m.hasMatch(), qPrintable(text));
    QCOMPARE(maximum, 15);
    QCOMPARE(value, m.captured(2).toInt() - 1);
    QVERIFY(readOnly);
    // Cancelled after the code being read then: that one and those before stay.
    const int done = m.captured(2).toInt();
    QVERIFY2(w.status().startsWith(" Get Parameter cancelled after "), qPrintable(w.status()));
    QVERIFY(!w.text("cb_st").isEmpty());
    QVERIFY(w.text("cb_aw").isEmpty());
    QVERIFY(done < 15);
    QVERIFY(!panel->isVisible());
    QVERIFY(f.action("acGetParameter")->isEnabled());
    QVERIFY(!w.field("cb_aw")->isReadOnly());
}

void TestConversationUi::heaterCheckOnEveryWritePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("F10 in the heater field") << "F10";
    QTest::newRow("Set button, the focus stays in the field") << "button";
}

// HE 99 50 typed and written without leaving the field: the meter gets
// the limits, not 99 50.
void TestConversationUi::heaterCheckOnEveryWritePath()
{
    QFETCH(QString, path);
    MeterWindow w;
    QVERIFY(w.startRead("pxr501", 2));
    TMainForm& f = *w.form;
    typeInto(w.field("cb_he_2_2"), "50");
    typeInto(w.field("cb_he_2_1"), "99");
    QVERIFY(w.field("cb_he_2_1")->hasFocus());
    if (path == "F10")
        QTest::keyClick(&f, Qt::Key_F10);
    else
        QTest::mouseClick(f.findChild<QPushButton*>("btn_Set_2"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(w.status(), QString(" Get Parameter ok"), 20000);
    // Read back from the meter.
    QCOMPARE(w.text("cb_he_2_1"), QString("40"));
    QCOMPARE(w.text("cb_he_2_2"), QString("45"));
}

// Q1 and Q2 have four fields in a row: after a readout each field is wide
// enough for its value and shows it from the first character, and the
// tool-tip carries the whole value.
void TestConversationUi::fieldsShowTheirWholeValue()
{
    MeterWindow w;
    QVERIFY(w.startRead("pxr501", 2));
    TMainForm& f = *w.form;
    const struct {
        const char* control;
        const char* value;
    } values[] = {{"cb_q1_2_1", "-1250.5"}, {"cb_q1_2_2", "100000"}, {"cb_q2_2_1", "-999.25"},
                  {"cb_q2_2_2", "100000"}};
    for (const auto& v : values)
        typeInto(w.field(v.control), v.value);
    QTest::keyClick(&f, Qt::Key_F10);
    QTRY_COMPARE_WITH_TIMEOUT(w.status(), QString(" Get Parameter ok"), 20000);
    for (const auto& v : values) {
        QLineEdit* field = w.field(v.control);
        QCOMPARE(field->text(), QString(v.value));
        QCOMPARE(field->cursorPosition(), 0);
        QVERIFY2(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 8, v.control);
        QVERIFY2(field->toolTip().endsWith(QString("Value: ") + v.value), qPrintable(field->toolTip()));
        // The field is wide enough for the whole value: with the cursor at
        // its end the text has not scrolled to the left.
        field->setCursorPosition(field->text().size());
        field->repaint();
        const int end = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        QVERIFY2(end >= QFontMetrics(field->font()).horizontalAdvance(v.value), v.control);
        field->setCursorPosition(0);
    }
}

PXR_WINDOW_TEST_MAIN(TestConversationUi)

#include "test_conversationui.moc"
