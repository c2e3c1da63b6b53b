#include "measurement/GraphicSetupForm.h"

namespace pxr {

TGraphicSetupForm::TGraphicSetupForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("GraphicSetupForm"));
    setWindowTitle(QStringLiteral("Diagram Setup"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMinimumSize(320, 160);
}

} // namespace pxr
