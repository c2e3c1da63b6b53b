#include "dialogs/DirectorySetupForm.h"

namespace pxr {

TDirectorySetupForm::TDirectorySetupForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DirectorySetupForm"));
    setWindowTitle(QStringLiteral("Directory Setup"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMinimumSize(320, 160);
}

} // namespace pxr
