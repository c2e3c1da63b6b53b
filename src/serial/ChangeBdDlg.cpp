#include "serial/ChangeBdDlg.h"

namespace pxr {

TChangeBdDlg::TChangeBdDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ChangeBdDlg"));
    setWindowTitle(QStringLiteral("Change Baud Rate"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMinimumSize(320, 160);
}

} // namespace pxr
