#pragma once
// The row of OK and Cancel at the foot of the program's dialogs: right-
// aligned, OK the default button, each with its control name. The dialog
// connects them.

#include <QString>

class QBoxLayout;
class QPushButton;
class QWidget;

namespace pxr {

struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
};

DialogButtons addDialogButtons(QWidget* dialog, QBoxLayout* layout, const QString& okName, const QString& cancelName,
                               const QString& cancelText = QStringLiteral("Cancel"));

} // namespace pxr
