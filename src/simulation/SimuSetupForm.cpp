#include "simulation/SimuSetupForm.h"

namespace pxr {

TSimuSetupForm::TSimuSetupForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SimuSetupForm"));
    setWindowTitle(QStringLiteral("Simulate Distance"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMinimumSize(320, 160);
}

} // namespace pxr
