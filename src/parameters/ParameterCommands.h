#pragma once
// The parameter editor in the main window and the commands that move its
// values through files and the clipboard: Open, Save, Print, View File,
// Export to and Import from the clipboard. Get/Set Parameter and the presets
// run in the main controller; this class builds the editor panel, binds it
// to the parameter sets and registers the file and clipboard handlers.
// Created once by the main window, after its FormCreate.

#include <QFileDialog>
#include <QObject>
#include <QString>

#include <functional>
#include <string>

namespace pxr {

class TMainForm;
class ParameterEditorPanel;

class ParameterCommands : public QObject {
    Q_OBJECT
public:
    explicit ParameterCommands(TMainForm& form);
    ~ParameterCommands() override;

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
    QString parameterFolder() const;
    QFileDialog* makeDialog(const char* name, QFileDialog::AcceptMode mode, const char* filter);
    void showStatus(const std::string& text);
    void showProblem(const QString& text);
    void printFile(const QString& path);

    TMainForm& m_form;
    ParameterEditorPanel* m_panel = nullptr;
    // Children of the main window, like the window's other dialogs.
    QFileDialog* m_openDialog = nullptr;
    QFileDialog* m_saveDialog = nullptr;
};

} // namespace pxr
