#pragma once
// The parameter page: the editor and the commands that move its values
// through files and the clipboard: Open, Save, Print, View File, Export to
// and Import from the clipboard. Get/Set Parameter and the presets run in the
// main controller; this class builds a page a model line, the editor's scroll
// box with the "Get" and "Set" buttons under it, which the main window places
// at its left edge; it builds the editor's fields, which the controller binds
// to the parameter sets, and serves the file and clipboard actions.

#include <QFileDialog>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <string>

#include "base/ActionHandlers.h"
#include "devices/DeviceType.h"

class QAction;
class QPrinter;
class QScrollArea;

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

    // The actions of the buttons under the editor.
    struct EditorButtons {
        QAction* get = nullptr;
        QAction* set = nullptr;
    };

    // Builds the pages; the dialogs and message boxes belong to `window`,
    // which also owns this object. `printer` is the one of "Printer Setup".
    ParameterCommands(Host& host, const EditorButtons& buttons, QPrinter& printer, QWidget* window);
    ~ParameterCommands() override;

    // A model line's page (tab_PXR7X ...), for the window to place.
    QWidget* page(DeviceType line) const;
    // Builds the editor's fields, once the window's pages are in place: the
    // fields come last in the window's tab order, after the notebook.
    void start();

    // The actions the commands serve, for the controller's dispatch.
    ActionHandlers handlers();

    // The editor, from start() on.
    ParameterEditorPanel& panel() { return *m_panel; }
    // Read-only while a readout fills the fields or a write takes them.
    void setEditorLocked(bool locked);
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
    QWidget* buildPage(DeviceType line, const EditorButtons& buttons);
    // The chosen file, or empty when the user cancelled.
    QString choose(QFileDialog* dialog);
    // The same with the dialog opening in the parameter folder.
    QString chooseInParameterFolder(QFileDialog* dialog);
    // The outcome of a file or clipboard command: its status in panel 2, or
    // its problem in a message box (a critical one where a save failed).
    void report(bool ok, const std::string& status, const std::string& error, bool critical = false);
    QFileDialog* makeDialog(const char* name, QFileDialog::AcceptMode mode, const char* filter);
    void showStatus(const std::string& text);
    void showProblem(const QString& text);
    void printFile(const QString& path);

    Host& m_host;
    QPrinter& m_printer;
    QWidget* m_window;
    std::array<QWidget*, kModelLines> m_pages{};
    std::array<QScrollArea*, kModelLines> m_scrollBoxes{};
    ParameterEditorPanel* m_panel = nullptr;
    // Children of the main window, like the window's other dialogs.
    QFileDialog* m_openDialog = nullptr;
    QFileDialog* m_saveDialog = nullptr;
};

} // namespace pxr
