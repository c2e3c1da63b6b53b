#pragma once
// The real main window offscreen with its parameter editor, started on a
// port and a model line with the interface setup of the start confirmed,
// and helpers that answer the dialogs and message boxes a command opens.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/KeyValueBackend.h"
#include "app/MainForm.h"
#include "devices/ParameterTable.h"
#include "parameters/ParameterCommands.h"
#include "parameters/ParameterEditorPanel.h"
#include "qt/WhenShown.h"
#include "app/ComSetupForm.h"

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

struct Window {
    MemoryKeyValueBackend store{true};
    std::unique_ptr<TMainForm> form;
    ParameterCommands* commands = nullptr;

    void put(const char* section, const char* name, const QString& value)
    {
        store.put(section, name, StoredValue::text(value.toStdString()));
    }
    // Creates and shows the window on `port` with model line `line`; the
    // interface setup of the start is confirmed.
    bool start(const QString& port, int line)
    {
        put("ComPort", "Port", port);
        put("Device", "Type", QString::number(line));
        form = std::make_unique<TMainForm>(store, std::vector<std::string>{});
        form->createDialogs();
        commands = form->findChild<ParameterCommands*>();
        if (!commands)
            return false;
        bool answered = false;
        auto* timer = new QTimer(form.get());
        QObject::connect(timer, &QTimer::timeout, form.get(), [this, timer, &answered] {
            if (form->ComSetupForm->isVisible()) {
                timer->stop();
                QTest::mouseClick(form->ComSetupForm->OKButton, Qt::LeftButton);
                answered = true;
            }
        });
        timer->start(10);
        form->show();
        return QTest::qWaitFor([&] { return answered && form->windowTitle().startsWith("PXRTool ("); }, 5000);
    }
    ParameterEditorPanel& panel() { return commands->panel(); }
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
};

} // namespace pxr::test
