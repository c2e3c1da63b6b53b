#include "dialogs/DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace pxr {

DialogButtons addDialogButtons(QWidget* dialog, QBoxLayout* layout, const QString& okName, const QString& cancelName,
                               const QString& cancelText)
{
    DialogButtons b;
    b.ok = new QPushButton(QStringLiteral("OK"), dialog);
    b.ok->setObjectName(okName);
    b.ok->setDefault(true);
    b.cancel = new QPushButton(cancelText, dialog);
    b.cancel->setObjectName(cancelName);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(b.ok);
    row->addWidget(b.cancel);
    layout->addLayout(row);
    return b;
}

} // namespace pxr
