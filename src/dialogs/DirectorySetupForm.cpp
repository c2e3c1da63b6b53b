#include "dialogs/DirectorySetupForm.h"

#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialogs/DialogButtons.h"

namespace pxr {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TDirectorySetupForm::TDirectorySetupForm(DirectoryStore& store, const std::string& documentsFolder,
                                         QWidget* parent)
    : QDialog(parent), m_model(store, documentsFolder)
{
    setObjectName(QStringLiteral("DirectorySetupForm"));
    setWindowTitle(QStringLiteral("Directory Setup"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    BrowseFolder = [](QWidget* p, const QString& title, const QString& start) {
        // The Qt folder dialog has its own "create new folder" button.
        return QFileDialog::getExistingDirectory(p, title, start, QFileDialog::ShowDirsOnly);
    };

    auto* layout = new QVBoxLayout(this);
    const struct {
        const char* title;
        const char* edit;
        QLineEdit** field;
        QToolButton** button;
    } kFields[] = {
        {"&Parameter Directory", "DirectoryEdit1", &DirectoryEdit1, &DirectoryButton1},
        {"&Log File Directory", "DirectoryEdit2", &DirectoryEdit2, &DirectoryButton2},
    };
    int index = 0;
    for (const auto& f : kFields) {
        auto* group = new QGroupBox(QString::fromUtf8(f.title), this);
        auto* row = new QHBoxLayout(group);
        auto* edit = new QLineEdit(group);
        edit->setObjectName(QString::fromUtf8(f.edit));
        // A folder is chosen with the browser only.
        edit->setReadOnly(true);
        edit->setMinimumWidth(360);
        auto* button = new QToolButton(group);
        button->setObjectName(QString::fromUtf8(f.edit) + QStringLiteral("Button"));
        button->setText(QStringLiteral("..."));
        row->addWidget(edit, 1);
        row->addWidget(button);
        layout->addWidget(group);
        // The group's mnemonic leads to the browse button, the field takes no input.
        group->setFocusProxy(button);
        connect(button, &QToolButton::clicked, this, [this, index] { browse(index); });
        *f.field = edit;
        *f.button = button;
        ++index;
    }

    const DialogButtons buttons = addDialogButtons(this, layout, QStringLiteral("BitBtn_ok"), QStringLiteral("BitBtn2"),
                                                   QStringLiteral("Abbrechen"));
    BitBtn_ok = buttons.ok;
    BitBtn2 = buttons.cancel;
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn_ok, &QPushButton::clicked, this, &TDirectorySetupForm::BitBtn_okClick);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    m_model.FormCreate();
    showFields();
}

QString TDirectorySetupForm::ParameterFolder() const { return qs(m_model.parameterFolder()); }
QString TDirectorySetupForm::LogFolder() const { return qs(m_model.logFolder()); }

void TDirectorySetupForm::setParameterFolder(const QString& folder)
{
    m_model.setParameterFolder(folder.toStdString());
    showFields();
}

void TDirectorySetupForm::setLogFolder(const QString& folder)
{
    m_model.setLogFolder(folder.toStdString());
    showFields();
}

int TDirectorySetupForm::exec()
{
    showFields();
    return QDialog::exec();
}

void TDirectorySetupForm::showFields()
{
    DirectoryEdit1->setText(qs(m_model.DirectoryEdit1));
    DirectoryEdit2->setText(qs(m_model.DirectoryEdit2));
}

void TDirectorySetupForm::browse(int field)
{
    std::string& text = field == 0 ? m_model.DirectoryEdit1 : m_model.DirectoryEdit2;
    const QString chosen = BrowseFolder ? BrowseFolder(this, windowTitle(), qs(text)) : QString();
    if (chosen.isEmpty())
        return;
    text = QDir::toNativeSeparators(chosen).toStdString();
    showFields();
}

void TDirectorySetupForm::BitBtn_okClick()
{
    try {
        m_model.BitBtn_okClick();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
    }
    accept();
}

} // namespace pxr
