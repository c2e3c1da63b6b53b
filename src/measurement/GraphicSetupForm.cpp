#include "measurement/GraphicSetupForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/DialogButtons.h"

namespace pxr {

namespace {

char regionalSeparator()
{
    const QString dp = QLocale().decimalPoint();
    return dp.size() == 1 && dp[0].unicode() < 128 ? char(dp[0].unicode()) : '.';
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TGraphicSetupForm::TGraphicSetupForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("GraphicSetupForm"));
    setWindowTitle(QStringLiteral("Diagram Setup"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMinimumSize(320, 160);

    auto* layout = new QVBoxLayout(this);
    auto* yBox = new QGroupBox(QStringLiteral(" Settings Y-Axis "), this);
    auto* yGrid = new QGridLayout(yBox);
    const auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    const auto check = [this](const char* name, const char* caption) {
        auto* c = new QCheckBox(QString::fromLatin1(caption), this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    ed_min = edit("ed_min");
    ed_max = edit("ed_max");
    cb_scale = check("cb_scale", "Auto Scale");
    cb_pointer = check("cb_pointer", "Pointer");
    cb_stair = check("cb_stair", "Stairs");
    cb_allowZoom = check("cb_allowZoom", "Allow Zoom");
    cb_allowPan = check("cb_allowPan", "Allow Panning");
    yGrid->addWidget(new QLabel(QStringLiteral("Minimum"), yBox), 0, 0);
    yGrid->addWidget(ed_min, 0, 1);
    yGrid->addWidget(new QLabel(QStringLiteral("Maximum"), yBox), 1, 0);
    yGrid->addWidget(ed_max, 1, 1);
    yGrid->addWidget(cb_scale, 2, 0, 1, 2);
    yGrid->addWidget(cb_pointer, 3, 0, 1, 2);
    yGrid->addWidget(cb_stair, 4, 0, 1, 2);
    yGrid->addWidget(cb_allowZoom, 5, 0, 1, 2);
    yGrid->addWidget(cb_allowPan, 6, 0, 1, 2);
    layout->addWidget(yBox);

    auto* xBox = new QGroupBox(QStringLiteral(" Settings X-Axis "), this);
    auto* xGrid = new QGridLayout(xBox);
    ed_number = edit("ed_number");
    xGrid->addWidget(new QLabel(QStringLiteral("Number"), xBox), 0, 0);
    xGrid->addWidget(ed_number, 0, 1);
    layout->addWidget(xBox);

    const DialogButtons buttons = addDialogButtons(this, layout, QStringLiteral("Button1"), QStringLiteral("Button2"));
    Button1 = buttons.ok;
    Button2 = buttons.cancel;
    connect(Button1, &QPushButton::clicked, this, &TGraphicSetupForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    m_setup.setDecimalSeparator(regionalSeparator());
    // The controls start with the fields' defaults, as the setters expect.
    const GraphicSettings defaults;
    ed_min->setText(qs(RegionalFloatText(defaults.minimum, regionalSeparator())));
    ed_max->setText(qs(RegionalFloatText(defaults.maximum, regionalSeparator())));
    ed_number->setText(QString::number(defaults.number));
    m_setup.setFields(this);
}

void TGraphicSetupForm::showMinimum(const std::string& text) { ed_min->setText(qs(text)); }
void TGraphicSetupForm::showMaximum(const std::string& text) { ed_max->setText(qs(text)); }
void TGraphicSetupForm::showNumber(const std::string& text) { ed_number->setText(qs(text)); }

void TGraphicSetupForm::showChecks()
{
    const GraphicSettings& s = m_setup.settings();
    cb_scale->setChecked(s.autoScale);
    cb_pointer->setChecked(s.pointer);
    cb_stair->setChecked(s.stair);
    cb_allowZoom->setChecked(s.allowZoom);
    cb_allowPan->setChecked(s.allowPan);
}

void TGraphicSetupForm::FormCreate(const GraphicSettings& stored)
{
    m_setup.Load(stored);
    showChecks();
}

void TGraphicSetupForm::Button1Click()
{
    GraphicSetup::Typed typed;
    typed.minimum = ed_min->text().toStdString();
    typed.maximum = ed_max->text().toStdString();
    typed.autoScale = cb_scale->isChecked();
    typed.pointer = cb_pointer->isChecked();
    typed.stair = cb_stair->isChecked();
    typed.allowZoom = cb_allowZoom->isChecked();
    typed.allowPan = cb_allowPan->isChecked();
    typed.number = ed_number->text().toStdString();
    // Closed first: the error box of a refused axis must not sit on top of
    // a dialog that is about to vanish.
    accept();
    m_setup.acceptTyped(typed);
}

} // namespace pxr
