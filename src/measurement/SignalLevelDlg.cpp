#include "measurement/SignalLevelDlg.h"

namespace pxr {

TSignalLevelDlg::TSignalLevelDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SignalLevelDlg"));
    setWindowTitle(QStringLiteral("Signal Strength"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMinimumSize(320, 160);
}

} // namespace pxr
