#include "parameters/ChangeBdDlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "parameters/BaudRateChange.h"
#include "dialogs/DialogButtons.h"

namespace pxr {

TChangeBdDlg::TChangeBdDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ChangeBdDlg"));
    setWindowTitle(QStringLiteral("Change Baud Rate"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral(" Settings "), this);
    auto* row = new QHBoxLayout(group);
    auto* label = new QLabel(QStringLiteral("Baud rate"), group);
    Combo2 = new QComboBox(group);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    for (const std::string& rate : offeredBaudRates())
        Combo2->addItem(QString::fromStdString(rate));
    label->setBuddy(Combo2);
    row->addWidget(label);
    row->addWidget(Combo2, 1);
    layout->addWidget(group);

    const DialogButtons buttons = addDialogButtons(this, layout, QStringLiteral("Button1"), QStringLiteral("Button2"));
    Button1 = buttons.ok;
    Button2 = buttons.cancel;
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this, &TChangeBdDlg::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

int TChangeBdDlg::Execute(uint32_t currentRate)
{
    Combo2->setCurrentIndex(baudRateIndex(currentRate));
    m_oldRate = currentRate;
    m_newRate = currentRate;
    return exec();
}

void TChangeBdDlg::Button1Click()
{
    m_newRate = baudRateFromText(Combo2->currentText().toStdString());
    accept();
}

} // namespace pxr
