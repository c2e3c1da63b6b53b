// The terminal page offscreen: the emulated screen (wrap, CR, LF, escape
// sequences, code page, answers), typing with local echo, double click,
// font buttons; the baud-rate and directory dialogs; and, with pxr-meter on
// a pseudo-terminal, a command typed in the terminal and the meter's answer.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/KeyValueBackend.h"
#include "app/MainForm.h"
#include "terminal/HistoryView.h"
#include "terminal/PortHistory.h"
#include "terminal/TerminalPage.h"
#include "app/SettingsStore.h"
#include "dialogs/DirectorySetupForm.h"
#include "parameters/ChangeBdDlg.h"
#include "app/ComSetupForm.h"
#include "terminal/TerminalScreen.h"
#include "terminal/TerminalView.h"
#include "qt/WindowRig.h"
#include "qt/WindowTestMain.h"

using namespace pxr;

namespace {

// Runs `act` on the modal dialog as soon as it shows.
void whenShown(QDialog* dialog, std::function<void()> act)
{
    auto* timer = new QTimer(dialog);
    QObject::connect(timer, &QTimer::timeout, dialog, [dialog, timer, act] {
        if (!dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act();
    });
    timer->start(10);
}

std::string repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }

// Everything a screen shows or keeps: each cell of the scroll-back and the
// screen with its look, and the cursor.
std::string screenDump(const TerminalScreen& s)
{
    std::string out;
    const auto put = [&out](const TerminalScreen::Cell& c) {
        out += std::to_string(uint32_t(c.ch)) + (c.bold ? "b" : "") + (c.underline ? "u" : "")
            + (c.italic ? "i" : "") + (c.reverse ? "r" : "") + (c.defaultFg ? "" : std::to_string(c.fg))
            + (c.defaultBg ? "" : "/" + std::to_string(c.bg)) + ",";
    };
    for (const auto& line : s.scrollback()) {
        for (const auto& c : line)
            put(c);
        out += "\n";
    }
    out += "--\n";
    for (int r = 0; r < s.rows(); ++r) {
        for (int c = 0; c < s.cols(); ++c)
            put(s.cell(r, c));
        out += "\n";
    }
    return out + "cursor " + std::to_string(s.cursorRow()) + "," + std::to_string(s.cursorCol());
}

} // namespace

class TestTerminal : public QObject {
    Q_OBJECT

private slots:
    void screenControlCodes_data();
    void screenControlCodes();
    void wrapAndScroll();
    void unseenBytesEndOnTheSameScreen_data();
    void unseenBytesEndOnTheSameScreen();
    void escapeSequencesAreNotShown();
    void everyByteAboveBlankIsACharacter();
    void terminalAnswersGoOut();
    void clearDropsHalfSequence();
    void typedKeysAreSentAndEchoed();
    void closedPortTypingDoesNothing();
    void doubleClickClears();
    void charactersArePaintedInTheirCells();
    void fontButtons();
    void largerFontKeepsTheCursorRowInView();
    void baudDialog();
    void directoryDialogOkAndAbbrechen();
    void lineCountFollowsTheModelLine();
    void lineCountOfAStreamEndsOnTheLastCount();
    void lastChangeOfABurstIsPainted();
    void typedCommandReachesTheMeter();
    void historyBehindAnotherPageCatchesUp();
};

void TestTerminal::screenControlCodes_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("cursorRow");
    QTest::addColumn<int>("cursorCol");
    // Rows as a terminal shows them (trailing blanks cut).
    QTest::newRow("CR to column 1") << QByteArray("abc\rX") << QStringList{"Xbc"} << 0 << 1;
    QTest::newRow("LF keeps the column") << QByteArray("ab\ncd") << QStringList{"ab", "  cd"} << 1 << 4;
    QTest::newRow("CR LF") << QByteArray("SA 25\r\nok") << QStringList{"SA 25", "ok"} << 1 << 2;
    QTest::newRow("FF like LF") << QByteArray("ab\fc") << QStringList{"ab", "  c"} << 1 << 3;
    QTest::newRow("BS one left") << QByteArray("abc\b\bX") << QStringList{"aXc"} << 0 << 2;
    QTest::newRow("TAB to the next stop") << QByteArray("a\tb") << QStringList{"a       b"} << 0 << 9;
    QTest::newRow("other controls unseen") << QByteArray("a\x01\x07\x7f" "b") << QStringList{"ab"} << 0 << 2;
}

void TestTerminal::screenControlCodes()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, rows);
    QFETCH(int, cursorRow);
    QFETCH(int, cursorCol);
    TerminalScreen s(34, 96);
    s.feed(input.toStdString());
    for (int r = 0; r < rows.size(); ++r)
        QCOMPARE(QString::fromStdString(s.rowText(r)), rows[r]);
    QCOMPARE(QString::fromStdString(s.rowText(static_cast<int>(rows.size()))), QString());
    QCOMPARE(s.cursorRow(), cursorRow);
    QCOMPARE(s.cursorCol(), cursorCol);
}

void TestTerminal::wrapAndScroll()
{
    TerminalScreen s(34, 96);
    std::string seen;
    s.ComTerminalChar = [&](const std::string& c) { seen += c; };
    s.feed(repeat('a', 96) + "b");
    QCOMPARE(s.rowText(0), repeat('a', 96));
    QCOMPARE(s.rowText(1), std::string("b"));
    QCOMPARE(s.cursorRow(), 1);
    QCOMPARE(s.cursorCol(), 1);
    QCOMPARE(seen, repeat('a', 96) + "b");

    // At the last row the screen moves up; the top row is kept for scrolling back.
    TerminalScreen t(34, 96);
    for (int i = 0; i < 35; ++i)
        t.feed("line" + std::to_string(i) + "\r\n");
    QCOMPARE(t.rowText(0), std::string("line2"));
    QCOMPARE(t.rowText(32), std::string("line34"));
    QCOMPARE(t.cursorRow(), 33);
    QCOMPARE(t.scrollback().size(), size_t(2));
    QCOMPARE(t.scrollback()[1][4].ch, U'1');

    // A full scroll-back drops its oldest line; a short line taking its place
    // keeps nothing of the long one.
    TerminalScreen u(34, 96);
    for (size_t i = 0; i < TerminalScreen::kScrollbackLines + 34; ++i)
        u.feed(repeat('x', 90) + "\r\n");
    for (int i = 0; i < 40; ++i)
        u.feed("y\r\n");
    QCOMPARE(u.scrollback().size(), TerminalScreen::kScrollbackLines);
    QCOMPARE(u.scrollback().front()[89].ch, U'x');
    QCOMPARE(u.scrollback().back()[0].ch, U'y');
    QCOMPARE(u.scrollback().back()[1].ch, TerminalScreen::Cell().ch);
    QCOMPARE(u.scrollback().back().size(), size_t(96));
}

void TestTerminal::unseenBytesEndOnTheSameScreen_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("middle");
    // A screen written before, its cursor anywhere; then a long stream
    // whose lines are numbered ("#" stands for the number).
    QTest::newRow("readings, CR LF") << QByteArray("start\r\n") << QByteArray("#.123\r\n") << QByteArray();
    QTest::newRow("cursor mid-row, lines of a full row and longer")
        << QByteArray("\r\n\r\nhalf a row") << QByteArray(96, 'w') + "#\r\n" << QByteArray();
    QTest::newRow("exactly a row wide") << QByteArray("x") << QByteArray(92, '-') + "#\r\n" << QByteArray();
    QTest::newRow("LF only") << QByteArray("abc") << QByteArray("#;\n") << QByteArray();
    QTest::newRow("CR only overwrites") << QByteArray() << QByteArray("#\r") << QByteArray();
    QTest::newRow("code page, tabs and a bell") << QByteArray("\x80\xe4\xff\r\n") << QByteArray("\xb5#\tx\a\r\n")
                                                 << QByteArray();
    QTest::newRow("colour set in the stream")
        << QByteArray() << QByteArray("#\r\n") << QByteArray("\x1b[1;31mred from here\r\n");
    QTest::newRow("scroll region set in the stream")
        << QByteArray() << QByteArray("#\r\n") << QByteArray("\x1b[5;20r\x1b[20;1H");
    QTest::newRow("reset after escapes") << QByteArray("\x1b[7minverse") << QByteArray("#\r\n")
                                          << QByteArray("\x1b" "c");
    QTest::newRow("underline from the middle on") << QByteArray() << QByteArray("#\r\n") << QByteArray("\x1b[4m");
}

void TestTerminal::unseenBytesEndOnTheSameScreen()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, middle);
    std::string stream = head.toStdString();
    const int lines = 3 * int(TerminalScreen::kScrollbackLines) + 500;
    for (int i = 0; i < lines; ++i) {
        if (i == lines / 2)
            stream += middle.toStdString();
        QByteArray l = line;
        stream += l.replace('#', QByteArray::number(i)).toStdString();
    }
    stream += "tail";

    // One screen sees every byte at once, the other is fed unseen in pieces
    // of a stream's sizes and read now and then.
    TerminalScreen seen(34, 96);
    TerminalScreen unseen(34, 96);
    std::string charsSeen, charsUnseen;
    seen.ComTerminalChar = [&](const std::string& c) { charsSeen += c; };
    unseen.ComTerminalChar = [&](const std::string& c) { charsUnseen += c; };
    std::minstd_rand random(uint32_t(stream.size()));
    for (size_t at = 0, piece = 0; at < stream.size(); ++piece) {
        const size_t n = std::min(stream.size() - at, size_t(1 + random() % 700));
        seen.feed(stream.substr(at, n));
        unseen.feedUnseen(stream.substr(at, n));
        at += n;
        // Both gave every byte on at once.
        QCOMPARE(charsUnseen.size(), at);
        if (piece % 97 == 0)
            QCOMPARE(unseen.cursorCol(), seen.cursorCol());
    }
    QCOMPARE(charsUnseen, stream);
    QCOMPARE(charsSeen, stream);
    QCOMPARE(screenDump(unseen), screenDump(seen));
    // And both go on alike.
    seen.feed("\r\nnext");
    unseen.feed("\r\nnext");
    QCOMPARE(screenDump(unseen), screenDump(seen));
}

void TestTerminal::escapeSequencesAreNotShown()
{
    TerminalScreen s(34, 96);
    s.feed("\x1b[1mBold\x1b[0m \x1b[31mred\x1b[0m");
    QCOMPARE(s.rowText(0), std::string("Bold red"));
    QVERIFY(s.cell(0, 0).bold);
    QVERIFY(!s.cell(0, 4).bold);
    QVERIFY(!s.cell(0, 5).defaultFg);
    QVERIFY(s.cell(0, 8).defaultFg);
    // Cursor addressing, then erasing the screen: the cursor stays.
    s.feed("\x1b[5;10HX\x1b[2J");
    QCOMPARE(s.rowText(0), std::string());
    QCOMPARE(s.rowText(4), std::string());
    QCOMPARE(s.cursorRow(), 4);
    QCOMPARE(s.cursorCol(), 10);
}

void TestTerminal::everyByteAboveBlankIsACharacter()
{
    TerminalScreen s(34, 96);
    // 0x9B must not open a control sequence, 0xE4 must keep its high bit.
    s.feed("B\x9b" "CD \xe4\xb0\x80\xff");
    QCOMPARE(QString::fromStdString(s.rowText(0)), QString::fromUtf8("B›CD ä°€ÿ"));
    for (int b = 0x20; b <= 0xff; ++b) {
        if (b == 0x7f)
            continue;
        const char32_t ch = TerminalScreen::charOfByte(static_cast<unsigned char>(b));
        // Never a control character of its own.
        QVERIFY2(ch >= 0x20 && !(ch >= 0x7f && ch < 0xa0), qPrintable(QString::number(b, 16)));
        if (ch != 0xFFFD)
            QCOMPARE(TerminalScreen::byteOfChar(ch), b);
    }
    QCOMPARE(TerminalScreen::byteOfChar(U'€'), 0x80);
    QCOMPARE(TerminalScreen::byteOfChar(U'Ω'), 0);
}

void TestTerminal::terminalAnswersGoOut()
{
    TerminalScreen s(34, 96);
    std::string out;
    s.OnOutput = [&](const std::string& b) { out += b; };
    s.feed("abc\r\nde\x1b[6n");
    // Cursor-position report: row 2, column 3 (1-based).
    QCOMPARE(out, std::string("\x1b[2;3R"));
}

void TestTerminal::clearDropsHalfSequence()
{
    TerminalScreen s(34, 96);
    s.feed("\x1b[7mhello\r\nworld\x1b[");
    s.clear();
    for (int r = 0; r < s.rows(); ++r)
        QCOMPARE(s.rowText(r), std::string());
    QCOMPARE(s.cursorRow(), 0);
    QCOMPARE(s.cursorCol(), 0);
    s.feed("2J");
    QCOMPARE(s.rowText(0), std::string("2J"));
    QVERIFY(!s.cell(0, 0).reverse);
}

void TestTerminal::typedKeysAreSentAndEchoed()
{
    TerminalView v;
    std::vector<std::string> sent;
    v.OnSend = [&](const std::string& b) {
        sent.push_back(b);
        return true;
    };
    v.show();
    QTest::keyClicks(&v, "ID");
    QTest::keyClick(&v, Qt::Key_Return);
    QTest::keyClick(&v, Qt::Key_Tab);
    QTest::keyClick(&v, Qt::Key_Escape);
    QTest::keyClick(&v, 'D');
    const std::vector<std::string> expected = {"I", "D", "\r", "\t", "\x1b", "D"};
    QCOMPARE(sent, expected);
    // Echoed as if received: Enter only returns to column 1; the stop key
    // ESC does not swallow the next character.
    QCOMPARE(v.screen().rowText(0), std::string("ID      D"));
    QCOMPARE(v.screen().cursorRow(), 0);
    QCOMPARE(v.screen().cursorCol(), 9);
    QCOMPARE(TerminalView::keyBytes(Qt::Key_Enter, Qt::KeypadModifier, QString("\r")), std::string("\r"));
    QCOMPARE(TerminalView::keyBytes(Qt::Key_A, Qt::ControlModifier, QString("\x01")), std::string("\x01"));
    QCOMPARE(TerminalView::keyBytes(Qt::Key_Shift, Qt::ShiftModifier, QString()), std::string());
    QCOMPARE(TerminalView::keyBytes(Qt::Key_Adiaeresis, Qt::NoModifier, QString::fromUtf8("ä")), std::string("\xe4"));
}

void TestTerminal::closedPortTypingDoesNothing()
{
    TerminalView v;
    int tries = 0;
    v.OnSend = [&](const std::string&) {
        ++tries;
        return false;
    };
    QTest::keyClicks(&v, "DT");
    QCOMPARE(tries, 2);
    QCOMPARE(v.screen().rowText(0), std::string());
    QCOMPARE(v.screen().cursorCol(), 0);
}

void TestTerminal::doubleClickClears()
{
    TerminalView v;
    v.resize(400, 300);
    v.show();
    v.feed("first\r\nsecond\r\nthird");
    QTest::mouseDClick(v.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    for (int r = 0; r < 3; ++r)
        QCOMPARE(v.screen().rowText(r), std::string());
    QCOMPARE(v.screen().cursorRow(), 0);
    QCOMPARE(v.screen().cursorCol(), 0);
    v.feed("x");
    QCOMPARE(v.screen().rowText(0), std::string("x"));
}

void TestTerminal::charactersArePaintedInTheirCells()
{
    TerminalView v;
    v.resize(v.sizeHint());
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    // Row 2: "X" in column 6, "ä" in column 11, the rest blank.
    v.feed("\x1b[2;6HX\x1b[2;11H\xe4");
    const QImage img = v.viewport()->grab().toImage();
    const QSize cell = v.cellSize();
    const auto inkIn = [&](int row, int col, int fromY = 0) {
        int ink = 0;
        for (int y = row * cell.height() + fromY; y < (row + 1) * cell.height(); ++y)
            for (int x = col * cell.width(); x < (col + 1) * cell.width(); ++x)
                if (qGray(img.pixel(x, y)) < 128)
                    ++ink;
        return ink;
    };
    // The underline caret after the last character, where the focus is.
    QVERIFY(v.hasFocus());
    QCOMPARE(v.screen().cursorCol(), 11);
    QVERIFY(inkIn(1, 11, cell.height() - 2) > 0);
    QCOMPARE(inkIn(1, 11), inkIn(1, 11, cell.height() - 2));
    for (int col = 0; col < 14; ++col) {
        if (col == 11)
            continue;
        const bool written = col == 5 || col == 10;
        QVERIFY2((inkIn(1, col) > 0) == written, qPrintable(QString("column %1").arg(col)));
        QCOMPARE(inkIn(0, col), 0);
    }
}

void TestTerminal::fontButtons()
{
    TerminalView v;
    QCOMPARE(v.fontSize(), 8);
    QVERIFY(!v.fontBold());
    const int narrow = v.sizeHint().width();
    std::vector<int> sizes;
    for (int i = 0; i < 8; ++i) {
        v.ToolButton8Click();
        sizes.push_back(v.fontSize());
    }
    QCOMPARE(sizes, (std::vector<int>{10, 12, 14, 16, 18, 20, 20, 20}));
    QVERIFY(v.sizeHint().width() > narrow);
    sizes.clear();
    for (int i = 0; i < 8; ++i) {
        v.ToolButton10Click();
        sizes.push_back(v.fontSize());
    }
    QCOMPARE(sizes, (std::vector<int>{18, 16, 14, 12, 10, 8, 8, 8}));
    v.setFontBold(true);
    QVERIFY(v.fontBold());
    // The whole screen fits the viewport at its preferred size: no scroll bars.
    v.resize(v.sizeHint());
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QCOMPARE(v.horizontalScrollBar()->maximum(), 0);
    // A smaller view scrolls over the screen.
    v.resize(200, 100);
    QVERIFY(v.horizontalScrollBar()->maximum() > 0);
    QVERIFY(v.verticalScrollBar()->maximum() > 0);
}

void TestTerminal::largerFontKeepsTheCursorRowInView()
{
    test::Window w;
    QVERIFY(w.startOn("/nonexistent/pxr-test-port", test::Answer::Cancel));
    TMainForm& f = *w.form;
    f.Notebook->setCurrentIndex(2);
    TerminalView& term = *f.terminalPage().view();
    QScrollBar& bar = *term.verticalScrollBar();
    const auto firstRowShown = [&] { return bar.value() / term.cellSize().height(); };
    const auto rowsShown = [&] { return term.viewport()->height() / term.cellSize().height(); };
    // The cursor's row wholly inside the viewport.
    const auto cursorShown = [&] {
        const int cell = term.cellSize().height();
        const int top = (int(term.screen().scrollback().size()) + term.screen().cursorRow()) * cell;
        return top >= bar.value() && top + cell <= bar.value() + term.viewport()->height();
    };

    // The meter's answer on the top row, the cursor below it.
    term.feed("ID PXR7X V2.04 SN 12345\r\n");
    auto* plus = qobject_cast<QToolButton*>(f.ToolBar1->widgetForAction(f.findChild<QAction*>("ToolButton8")));
    QVERIFY(plus);
    bool overflowed = false;
    for (int size = 10; size <= 20; size += 2) {
        QTest::mouseClick(plus, Qt::LeftButton);
        QCOMPARE(term.fontSize(), size);
        overflowed = overflowed || rowsShown() < TerminalView::kRows;
        QVERIFY2(firstRowShown() == 0, qPrintable(QString("%1 pt: view starts at row %2").arg(size).arg(firstRowShown())));
        QVERIFY(cursorShown());
    }
    QVERIFY2(overflowed, "the screen never outgrew the view");

    // The cursor goes down the screen: the view follows it, as a terminal does.
    for (int i = 0; i < 60; ++i)
        term.feed("005.000\r\n");
    QVERIFY(cursorShown());
    QCOMPARE(bar.value(), bar.maximum());

    // Scrolled back by the user, the view stays there while text arrives ...
    bar.triggerAction(QAbstractSlider::SliderToMinimum);
    term.feed("006.000\r\n");
    QCOMPARE(bar.value(), 0);
    // ... and a typed key brings the cursor's row back.
    term.setFocus();
    QTest::keyClick(&term, Qt::Key_A);
    QVERIFY(cursorShown());
}

void TestTerminal::baudDialog()
{
    TChangeBdDlg dlg;
    QCOMPARE(dlg.windowTitle(), QString("Change Baud Rate"));
    QCOMPARE(dlg.Combo2->count(), 9);
    QCOMPARE(dlg.Combo2->itemText(0), QString("2400"));
    QCOMPARE(dlg.Combo2->itemText(8), QString("460800"));

    struct Case {
        uint32_t current;
        int shownIndex;
        const char* pick; // nullptr: leave the selection
        bool ok;
        int result;
        uint32_t chosen;
    } cases[] = {
        {9600, 2, "115200", true, QDialog::Accepted, 115200},
        {115200, 6, nullptr, true, QDialog::Accepted, 115200},
        {9600, 2, "460800", false, QDialog::Rejected, 9600},
        // A rate the list lacks: no selection, and OK without one gives 9600.
        {1200, -1, nullptr, true, QDialog::Accepted, 9600},
    };
    for (const Case& c : cases) {
        int shown = -2;
        whenShown(&dlg, [&] {
            shown = dlg.Combo2->currentIndex();
            if (c.pick)
                dlg.Combo2->setCurrentText(QString::fromLatin1(c.pick));
            QTest::mouseClick(c.ok ? dlg.Button1 : dlg.Button2, Qt::LeftButton);
        });
        QCOMPARE(dlg.Execute(c.current), c.result);
        QCOMPARE(shown, c.shownIndex);
        QCOMPARE(dlg.OldRate(), c.current);
        if (c.ok)
            QCOMPARE(dlg.NewRate(), c.chosen);
    }
}

void TestTerminal::directoryDialogOkAndAbbrechen()
{
    MemoryKeyValueBackend backend(true);
    SettingsStore store(backend);
    TDirectorySetupForm dlg(store, "/home/u/Documents");
    QCOMPARE(dlg.windowTitle(), QString("Directory Setup"));
    QCOMPARE(dlg.BitBtn_ok->text(), QString("OK"));
    QCOMPARE(dlg.BitBtn2->text(), QString("Abbrechen"));
    QVERIFY(dlg.DirectoryEdit1->isReadOnly() && dlg.DirectoryEdit2->isReadOnly());
    // First start: both folders are the documents folder.
    QCOMPARE(dlg.ParameterFolder(), QString("/home/u/Documents"));
    QCOMPARE(dlg.LogFolder(), QString("/home/u/Documents"));

    QString browsedFrom;
    QString answer = "/data/params";
    dlg.BrowseFolder = [&](QWidget*, const QString&, const QString& start) {
        browsedFrom = start;
        return answer;
    };
    whenShown(&dlg, [&] {
        QTest::mouseClick(dlg.DirectoryButton1, Qt::LeftButton);
        QTest::mouseClick(dlg.BitBtn_ok, Qt::LeftButton);
    });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QCOMPARE(browsedFrom, QString("/home/u/Documents"));
    QCOMPARE(dlg.ParameterFolder(), QString("/data/params"));
    QCOMPARE(dlg.LogFolder(), QString("/home/u/Documents"));
    QCOMPARE(store.readDirectories("x").parameter, std::string("/data/params"));
    QCOMPARE(store.readDirectories("x").logFile, std::string("/home/u/Documents"));

    // Abbrechen: folders and store stay, the field keeps the cancelled choice.
    answer = "/data/logs";
    whenShown(&dlg, [&] {
        QTest::mouseClick(dlg.DirectoryButton2, Qt::LeftButton);
        QTest::mouseClick(dlg.BitBtn2, Qt::LeftButton);
    });
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    QCOMPARE(dlg.LogFolder(), QString("/home/u/Documents"));
    QCOMPARE(store.readDirectories("x").logFile, std::string("/home/u/Documents"));
    QCOMPARE(dlg.DirectoryEdit2->text(), QString("/data/logs"));

    // A browser closed without a choice changes nothing.
    answer.clear();
    whenShown(&dlg, [&] {
        QTest::mouseClick(dlg.DirectoryButton1, Qt::LeftButton);
        QTest::mouseClick(dlg.BitBtn_ok, Qt::LeftButton);
    });
    dlg.exec();
    QCOMPARE(dlg.ParameterFolder(), QString("/data/params"));
    QCOMPARE(dlg.LogFolder(), QString("/data/logs"));

    // The next program start reads the stored folders.
    TDirectorySetupForm again(store, "/home/u/Documents");
    QCOMPARE(again.ParameterFolder(), QString("/data/params"));
    QCOMPARE(again.DirectoryEdit2->text(), QString("/data/logs"));
}

void TestTerminal::lineCountFollowsTheModelLine()
{
    struct Case {
        const char* type;
        const char* panel; // two blanks and one LF below
    } cases[] = {{"0", "0001"}, {"1", "0002"}, {"2", "0001"}};
    for (const Case& c : cases) {
        MemoryKeyValueBackend store(true);
        store.put("ComPort", "Port", StoredValue::text("/nonexistent/pxr-test-port"));
        store.put("Device", "Type", StoredValue::text(c.type));
        TMainForm f(store, {});
        QVERIFY(!f.controller().port().Connected());
        f.terminalPage().view()->feed("SA 25 x");
        QCOMPARE(f.StatusPanel[1]->text(), QString(c.type[0] == '1' ? "0002" : ""));
        f.terminalPage().view()->feed("\r\n");
        QCOMPARE(f.StatusPanel[1]->text(), QString(c.panel));
        // With the port closed typing neither sends nor shows anything.
        f.terminalPage().view()->ComTerminalDblClick();
        QTest::keyClicks(f.terminalPage().view(), "ID");
        QCOMPARE(f.terminalPage().view()->screen().rowText(0), std::string());
    }
}

void TestTerminal::lineCountOfAStreamEndsOnTheLastCount()
{
    MemoryKeyValueBackend store(true);
    store.put("ComPort", "Port", StoredValue::text("/nonexistent/pxr-test-port"));
    TMainForm f(store, {});
    f.terminalPage().view()->feed("005.000\r\n");
    QCOMPARE(f.StatusPanel[1]->text(), QString("0001"));
    // A stream: every block changes the count; the panel may lag behind
    // but must end on the last one.
    for (int i = 0; i < 300; ++i)
        f.terminalPage().view()->feed("005.000\r\n005.000\r\n");
    QCOMPARE(f.controller().LineCount.value(), 601);
    QTRY_COMPARE(f.StatusPanel[1]->text(), QString("0601"));
    // Quiet again: the next line shows at once.
    QTest::qWait(250);
    f.terminalPage().view()->feed("005.000\r\n");
    QCOMPARE(f.StatusPanel[1]->text(), QString("0602"));

    // In a shown window a waiting count comes with the window's next repaint
    // (here 60 ms later, before it would come on its own).
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTest::qWait(250);
    f.terminalPage().view()->feed("005.000\r\n");
    f.terminalPage().view()->feed("005.000\r\n");
    QCOMPARE(f.StatusPanel[1]->text(), QString("0603"));
    QTest::qWait(60);
    f.Notebook->update();
    QCoreApplication::processEvents();
    QCOMPARE(f.StatusPanel[1]->text(), QString("0604"));
}

void TestTerminal::lastChangeOfABurstIsPainted()
{
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++count;
            return false;
        }
    } paints;
    TerminalView v;
    v.resize(v.sizeHint());
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.viewport()->installEventFilter(&paints);
    // Without the focus no blinking caret repaints the view.
    v.setFocusPolicy(Qt::NoFocus);
    v.clearFocus();
    QTest::qWait(2 * TerminalView::kRepaintMs);
    // The first change is drawn at once; one right after it waits for the
    // next repaint, which must still come.
    v.feed("a");
    QCoreApplication::processEvents();
    QVERIFY(paints.count > 0);
    paints.count = 0;
    v.feed("b");
    QTRY_VERIFY(paints.count > 0);
    const QImage img = v.viewport()->grab().toImage();
    const QSize cell = v.cellSize();
    int ink = 0;
    for (int y = 0; y < cell.height() - 2; ++y)
        for (int x = cell.width(); x < 2 * cell.width(); ++x)
            ink += qGray(img.pixel(x, y)) < 128;
    QVERIFY(ink > 0);
}

void TestTerminal::typedCommandReachesTheMeter()
{
    if (!test::PtyMeter::available())
        QSKIP("pxr-meter is not part of this build");
    test::MeterWindow w;
    QVERIFY(w.meter.start({"--model", "pxr7x"}));
    const QString link = w.link();
    w.put("ComPort", "Port", link);
    w.create();
    QVERIFY(w.show({}, test::Answer::Return));
    TMainForm& f = *w.form;
    QTRY_VERIFY_WITH_TIMEOUT(f.controller().port().Connected() && f.windowTitle() == "PXRTool (PXR7X)", 5000);

    f.Notebook->setCurrentIndex(2);
    TerminalView* term = f.terminalPage().view();
    QVERIFY(term);
    // The meter may have started streaming at power-on: stop it and wait
    // for a quiet line, then start from a clear screen.
    f.action("acStop")->trigger();
    const auto quiet = [&] {
        const int32_t count = f.controller().LineCount.value();
        QTest::qWait(250);
        return count == f.controller().LineCount.value();
    };
    QVERIFY(QTest::qWaitFor(quiet, 5000));
    term->ComTerminalDblClick();
    const int32_t before = f.controller().LineCount.value();
    QTest::keyClicks(term, "ID");
    QTest::keyClick(term, Qt::Key_Return);
    // The meter's answer overwrites the echoed code on the same row.
    QTRY_VERIFY_WITH_TIMEOUT(QString::fromStdString(term->screen().rowText(0)).startsWith("ID PXR7X V2.04 SN"),
                             3000);
    QTRY_COMPARE_WITH_TIMEOUT(f.controller().LineCount.value(), before + 1, 3000);
    QCOMPARE(f.StatusPanel[1]->text(), QString::asprintf("%.4d", before + 1));
    QCOMPARE(term->screen().cursorRow(), 1);
    QCOMPARE(term->screen().cursorCol(), 0);

    // The history on the Device page got the same line; switching styles
    // renders it again.
    f.Notebook->setCurrentIndex(0);
    auto* history = f.findChild<QPlainTextEdit*>("CPortHistory1");
    QVERIFY(history);
    QTRY_VERIFY_WITH_TIMEOUT(history->toPlainText().contains("ID PXR7X"), 3000);
    QTest::mouseClick(f.findChild<QRadioButton*>("RadioButton2"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(history->toPlainText().contains("49 44 20 50 58 52 37 58 "), 3000);
    QTest::mouseClick(f.findChild<QRadioButton*>("RadioButton1"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(history->toPlainText().contains("ID PXR7X"), 3000);
    f.Notebook->setCurrentIndex(2);

    // The toolbar's terminal buttons.
    QAction* plus = f.findChild<QAction*>("ToolButton8");
    QAction* bold = f.findChild<QAction*>("tb_Bold");
    QVERIFY(plus && bold);
    plus->trigger();
    QCOMPARE(term->fontSize(), 10);
    bold->trigger();
    QVERIFY(term->fontBold());
    bold->trigger();
    QVERIFY(!term->fontBold());

    // The baud-rate change through its dialog: the meter follows and still answers.
    whenShown(f.ChangeBdDlg, [&] {
        f.ChangeBdDlg->Combo2->setCurrentText("19200");
        QTest::mouseClick(f.ChangeBdDlg->Button1, Qt::LeftButton);
    });
    f.action("acBaudrate")->trigger();
    QCOMPARE(f.controller().port().BaudRate(), 19200u);
    QCOMPARE(f.StatusPanel[0]->text(), " " + link + ":19200,8,None,1,None");
    term->ComTerminalDblClick();
    f.Notebook->setCurrentIndex(2);
    QTest::keyClicks(term, "ID");
    QTest::keyClick(term, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(QString::fromStdString(term->screen().rowText(0)).startsWith("ID PXR7X V2.04 SN"),
                             3000);

    f.action("acExit")->trigger();
}

void TestTerminal::historyBehindAnotherPageCatchesUp()
{
    PortHistory history;
    HistoryView view(history, nullptr);
    QTabWidget notebook;
    auto* device = new QWidget;
    auto* layout = new QVBoxLayout(device);
    layout->addWidget(view.historyBox());
    layout->addWidget(view.styleBox());
    notebook.addTab(device, "Device");
    notebook.addTab(new QWidget, "Terminal");
    notebook.resize(500, 300);
    notebook.show();
    QVERIFY(QTest::qWaitForWindowExposed(&notebook));
    QPlainTextEdit* text = view.text();
    QCOMPARE(text->objectName(), QString("CPortHistory1"));

    history.addBlock("ID PXR7X\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(text->toPlainText().contains("ID PXR7X"), 3000);

    // Behind the terminal nobody sees it: it is not drawn there.
    notebook.setCurrentIndex(1);
    history.addBlock("0001.000\r\n");
    QTest::qWait(2 * HistoryView::kRedrawMs);
    QVERIFY(!text->toPlainText().contains("0001.000"));

    // Its page shows all that came meanwhile at once, scrolled to the end.
    for (int i = 0; i < 200; ++i)
        history.addBlock(QString::asprintf("%04d.500\r\n", i).toStdString());
    notebook.setCurrentIndex(0);
    QVERIFY(text->toPlainText().endsWith("0199.500"));
    QVERIFY(text->verticalScrollBar()->maximum() > 0);
    QCOMPARE(text->verticalScrollBar()->value(), text->verticalScrollBar()->maximum());

    QTest::mouseClick(view.styleBox()->findChild<QRadioButton*>("RadioButton2"), Qt::LeftButton);
    QCOMPARE(history.style(), HistoryStyle::Hex);
    QTRY_VERIFY_WITH_TIMEOUT(text->toPlainText().endsWith("30 31 39 39 2E 35 30 30 0D 0A "), 3000);
}

PXR_WINDOW_TEST_MAIN(TestTerminal)

#include "test_terminal.moc"
