#pragma once
// The parameter editor and the commands that move its values through files
// and the clipboard: Open, Save, Print, View File, Export to and Import from
// the clipboard. Get/Set Parameter and the presets run in the main
// controller; this class builds the editor's fields into the main window's
// left notebook, binds them to the parameter sets and serves the file and
// clipboard actions. Created once by the main window, after its FormCreate.

#include <QFileDialog>
#include <QObject>
#include <QString>

#include <functional>
#include <string>

#include "base/ActionHandlers.h"
#include "devices/DeviceType.h"

class QPrinter;
class QStackedWidget;

namespace pxr {

class ParameterEditorPanel;

class ParameterCommands : public QObject {
    Q_OBJECT
public:
    // What the commands need of the program around them.
    class Host {
    public:
        virtual ~Host() = default;
        virtual DeviceType deviceType() const = 0;
        // A message in panel 2 that vanishes after a while.
        virtual void showPassingStatus(const std::string& text) = 0;
        // The folder the file dialogs open in now, and the one the first
        // dialog starts in.
        virtual std::string parameterFolder() const = 0;
        virtual std::string documentsFolder() const = 0;
    };

    // The editor's fields go into the scroll boxes of `notebookLeft`, one
    // page a model line; the dialogs and message boxes belong to `window`,
    // which also owns this object. `printer` is the one of "Printer Setup".
    ParameterCommands(Host& host, QStackedWidget* notebookLeft, QPrinter& printer, QWidget* window);
    ~ParameterCommands() override;

    // The actions the commands serve, for the controller's dispatch.
    ActionHandlers handlers();

    ParameterEditorPanel& panel() { return *m_panel; }
    // The dialogs keep their folder and file name between uses. They are
    // made when first needed, starting in the user's documents folder.
    QFileDialog* OpenDialog();
    QFileDialog* SaveDialog();

    void acOpenExecute();
    void acSaveExecute();
    void acPrintExecute();
    void acViewFileExecute();
    void acExportExecute();
    void acImportExecute();

    // "CSV File(*.csv)|*.csv|All Files(*.*)|*.*" as Qt name filters; "*.*"
    // means every file, also one without a dot.
    static QStringList nameFilters(const char* filter);

private:
    // The chosen file, or empty when the user cancelled.
    QString choose(QFileDialog* dialog);
    QFileDialog* makeDialog(const char* name, QFileDialog::AcceptMode mode, const char* filter);
    void showStatus(const std::string& text);
    void showProblem(const QString& text);
    void printFile(const QString& path);

    Host& m_host;
    QPrinter& m_printer;
    QWidget* m_window;
    ParameterEditorPanel* m_panel = nullptr;
    // Children of the main window, like the window's other dialogs.
    QFileDialog* m_openDialog = nullptr;
    QFileDialog* m_saveDialog = nullptr;
};

} // namespace pxr
