#include "simulation/SimuSetupForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>
#include <QPushButton>

#include "dialogs/DialogButtons.h"

namespace pxr {

TSimuSetupForm::TSimuSetupForm(SimuSetup& setup, QWidget* parent) : QDialog(parent), m_setup(setup)
{
    setObjectName(QStringLiteral("SimuSetupForm"));
    setWindowTitle(QStringLiteral("Simulate Distance"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lb_dist = new QLabel(QStringLiteral("Fixed Distance"), this);
    ed_dist = new QLineEdit(QStringLiteral("5"), this);
    ed_dist->setObjectName(QStringLiteral("ed_dist"));
    lb_dist->setBuddy(ed_dist);
    cb_autodist = new QCheckBox(QStringLiteral("Ramp and Error"), this);
    cb_autodist->setObjectName(QStringLiteral("cb_autodist"));

    auto* grid = new QGridLayout;
    grid->addWidget(lb_dist, 0, 0);
    grid->addWidget(ed_dist, 0, 1);
    grid->addWidget(cb_autodist, 1, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    const DialogButtons buttons = addDialogButtons(this, layout, QStringLiteral("OKButton"), QStringLiteral("CancelButton"));
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    setMinimumWidth(280);

    // Whoever changes the box (the user or Cancel), the edit follows it.
    connect(cb_autodist, &QCheckBox::toggled, this, [this] { cb_autodistClick(); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });

    // The box starts unchecked; the core takes its state, as the dialog's
    // creation always did.
    m_setup.RampAndError = cb_autodist->isChecked();
    cb_autodistClick();
}

QString TSimuSetupForm::distanceText(double distance)
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(distance, 'g', QLocale::FloatingPointShortest);
}

void TSimuSetupForm::cb_autodistClick() { ed_dist->setEnabled(SimuSetup::distanceEditable(cb_autodist->isChecked())); }

void TSimuSetupForm::OKButtonClick()
{
    m_setup.OKButtonClick(cb_autodist->isChecked(), ed_dist->text().toStdString());
    ed_dist->setText(distanceText(m_setup.FixedDistance));
    accept();
}

void TSimuSetupForm::CancelButtonClick() { reject(); }

void TSimuSetupForm::reject()
{
    showSetup();
    QDialog::reject();
}

void TSimuSetupForm::showSetup()
{
    cb_autodist->setChecked(m_setup.RampAndError);
    ed_dist->setText(distanceText(m_setup.FixedDistance));
}

} // namespace pxr
