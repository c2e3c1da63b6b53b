#pragma once
// The real main window offscreen, on a settings store in memory, with the
// interface setup of the start answered as a user would (clicking OK or
// Cancel); and the same window on a pxr-meter of its own on a pseudo-
// terminal. Helpers answer the dialogs and message boxes a command opens.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/ActionBinding.h"
#include "app/ComSetupForm.h"
#include "app/KeyValueBackend.h"
#include "app/MainForm.h"
#include "base/Trace.h"
#include "devices/ParameterTable.h"
#include "parameters/ParameterCommands.h"
#include "parameters/ParameterEditorPanel.h"
#include "qt/PtyMeter.h"
#include "qt/WhenShown.h"

namespace pxr::test {

// Picks `path` in the next file dialog.
inline void answerFileDialog(QObject* owner, const QString& path, QString* startedIn = nullptr)
{
    whenShown<QFileDialog>(owner, [path, startedIn](QFileDialog* d) {
        if (startedIn)
            *startedIn = d->directory().absolutePath();
        // Typed into the name field, as a user would; selectFile() leaves a
        // field that has the focus alone.
        if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        else
            d->selectFile(path);
        QMetaObject::invokeMethod(d, "accept"); // as the dialog's own button does
    });
}

// Types `text` into the field as a user does: into the focused field, over
// its whole text.
inline void typeInto(QLineEdit* field, const QString& text)
{
    field->setFocus(Qt::MouseFocusReason);
    field->selectAll();
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(field, ch.toLatin1());
        else // a key of a keyboard layout that has it
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// How the user closes the interface setup: the OK or Cancel button, or the
// Return key (OK is the default button).
enum class Answer { OK, Cancel, Return };

// Answers the interface setup as soon as it is shown: `user` plays the
// user's part, then it is closed as `how` says and `done` set.
inline void answerSetup(TMainForm& form, std::function<void(TComSetupForm&)> user, Answer how, bool* done)
{
    auto* timer = new QTimer(&form);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, &form, [&form, timer, user, how, done] {
        TComSetupForm* dlg = form.ComSetupForm;
        if (!dlg || !dlg->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        if (user)
            user(*dlg);
        if (how == Answer::Return)
            QTest::keyClick(dlg, Qt::Key_Return);
        else
            QTest::mouseClick(how == Answer::OK ? dlg->OKButton : dlg->Button2, Qt::LeftButton);
        if (done)
            *done = true;
    });
    timer->start();
}

struct Window {
    MemoryKeyValueBackend store{true};
    std::unique_ptr<TMainForm> form;

    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window() { DebugTrace = false; }

    void put(const char* section, const char* name, const QString& value)
    {
        store.put(section, name, StoredValue::text(value.toStdString()));
    }
    // The window and its dialogs, with the command line `args`.
    void create(const std::vector<std::string>& args = {})
    {
        form = std::make_unique<TMainForm>(store, args);
        form->createDialogs();
    }
    // Shows the window; in the interface setup of the start `user` does the
    // user's part, then the dialog is closed as `how` says. True once the
    // window is arranged (which it does after the dialog has closed).
    bool show(std::function<void(TComSetupForm&)> user = {}, Answer how = Answer::OK)
    {
        bool answered = false;
        answerSetup(*form, user, how, &answered);
        form->show();
        // A search for a meter in the dialog may take its time.
        if (!QTest::qWaitFor([&] { return answered && !form->ComSetupForm->isVisible(); }, 30000))
            return false;
        return QTest::qWaitFor([&] { return form->windowTitle().startsWith("PXRTool ("); }, 5000);
    }
    // Creates and shows the window on `port`, with the command line `args`
    // and the model line the store holds; the interface setup of the start
    // is answered as `how` says.
    bool startOn(const QString& port, Answer how = Answer::OK, const std::vector<std::string>& args = {})
    {
        put("ComPort", "Port", port);
        create(args);
        return show({}, how);
    }
    // The same with model line `line`, the interface setup confirmed.
    bool start(const QString& port, int line)
    {
        put("Device", "Type", QString::number(line));
        return startOn(port);
    }
    // The interface setup from the menu, answered as show() does.
    bool setup(std::function<void(TComSetupForm&)> user, Answer how = Answer::OK)
    {
        bool answered = false;
        answerSetup(*form, user, how, &answered);
        form->action("acSettings")->trigger();
        return answered;
    }
    // Waits until the window is the active one (keys go to it).
    bool activate()
    {
        return QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }, 5000);
    }

    ParameterCommands& commands() { return *form->findChild<ParameterCommands*>(); }
    ParameterEditorPanel& panel() { return commands().panel(); }
    QLineEdit* field(const char* control) { return panel().field(control); }
    QString text(const char* control) { return field(control)->text(); }
    void type(const char* control, const QString& text) { field(control)->setText(text); }
    QString status() const { return form->StatusPanel[2]->text(); }
    DeviceType line() { return form->controller().deviceType(); }
    // Every field of the current model line's page.
    std::vector<std::string> controls()
    {
        std::vector<std::string> out;
        for (const ParameterDef& def : parameterTable(line()))
            for (const ValueDef& v : def.values)
                out.push_back(v.control);
        return out;
    }
    // The push buttons bound to the action.
    QList<QPushButton*> buttons(const QString& action)
    {
        QList<QPushButton*> out;
        for (QPushButton* b : form->findChildren<QPushButton*>())
            if (b->property(kActionProperty).toString() == action)
                out << b;
        return out;
    }
};

// The window on a pxr-meter of its own, on a pseudo-terminal in a
// temporary folder (`dir`, also for a test's other files).
struct MeterWindow : Window {
    QTemporaryDir dir;
    PtyMeter meter{dir.filePath("pxr")};

    ~MeterWindow() { form.reset(); } // the window goes before its meter
    QString link() const { return QString::fromStdString(meter.link()); }

    // The window on a pxr-meter of `model` (pxr7x, pxr500c, pxr501,
    // pxr502) started with `options`, as model line `line`; the interface
    // setup of the start confirmed, the window active.
    bool start(const QString& model, int line, const QStringList& options = {})
    {
        return meter.start(QStringList{"--model", model} + options) && Window::start(link(), line) && activate();
    }
    // The same, with the meter's parameters read once (F8).
    bool startRead(const QString& model, int line, const QStringList& options = {})
    {
        if (!start(model, line, options))
            return false;
        QTest::keyClick(form.get(), Qt::Key_F8);
        return QTest::qWaitFor([&] { return status() == " Get Parameter ok"; }, 20000);
    }
};

} // namespace pxr::test
