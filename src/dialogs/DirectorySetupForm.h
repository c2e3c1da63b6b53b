#pragma once
// "Directory Setup": the folders the parameter-file and log-file dialogs
// start in. Created once at program start (it reads both folders then) and
// kept for the life of the program; the rules live in DirectorySetup.

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

#include "dialogs/DirectorySetup.h"

class QLineEdit;
class QPushButton;
class QToolButton;

namespace pxr {

class TDirectorySetupForm : public QDialog {
    Q_OBJECT
public:
    TDirectorySetupForm(DirectoryStore& store, const std::string& documentsFolder,
                        QWidget* parent = nullptr);

    // The folders in force (read by the file dialogs just before they open).
    QString ParameterFolder() const;
    QString LogFolder() const;
    void setParameterFolder(const QString& folder);
    void setLogFolder(const QString& folder);

    DirectorySetup& model() { return m_model; }

    // The system's folder browser (the user may create a folder in it):
    // returns the chosen folder, or an empty text when cancelled. Replaceable
    // for tests.
    std::function<QString(QWidget* parent, const QString& title, const QString& start)> BrowseFolder;

    int exec() override;

    QLineEdit* DirectoryEdit1 = nullptr;
    QLineEdit* DirectoryEdit2 = nullptr;
    QToolButton* DirectoryButton1 = nullptr;
    QToolButton* DirectoryButton2 = nullptr;
    QPushButton* BitBtn_ok = nullptr;
    QPushButton* BitBtn2 = nullptr;

private:
    void browse(int field);
    void showFields();
    void BitBtn_okClick();

    DirectorySetup m_model;
};

} // namespace pxr
