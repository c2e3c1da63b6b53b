#include "serial/ComSetupForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/InterfaceSetup.h"

namespace pxr {

namespace {

QStringList toStringList(const std::vector<std::string>& items)
{
    QStringList list;
    for (const std::string& s : items)
        list << QString::fromStdString(s);
    return list;
}

} // namespace

TComSetupForm::TComSetupForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ComSetupForm"));
    setWindowTitle(QStringLiteral("Interface Setup"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* settings = new QGroupBox(QStringLiteral(" Settings "), this);
    auto* form = new QFormLayout(settings);
    cb_device = new QComboBox(settings);
    cb_device->setObjectName(QStringLiteral("cb_device"));
    cb_device->addItems(toStringList(ComSetupModel::deviceItems()));
    // The port list takes typed names: USB adapters under /dev/serial/by-id,
    // pseudo-terminals and links that the system's port list does not show.
    Combo_Port = new QComboBox(settings);
    Combo_Port->setObjectName(QStringLiteral("Combo_Port"));
    Combo_Port->setEditable(true);
    Combo_Port->setInsertPolicy(QComboBox::NoInsert);
    Combo_Port->setMinimumContentsLength(24);
    Combo_Baudrate = new QComboBox(settings);
    Combo_Baudrate->setObjectName(QStringLiteral("Combo_Baudrate"));
    Combo_Baudrate->addItems(toStringList(ComSetupModel::baudItems()));
    form->addRow(QStringLiteral("Type"), cb_device);
    form->addRow(QStringLiteral("Port"), Combo_Port);
    form->addRow(QStringLiteral("Baud Rate"), Combo_Baudrate);

    auto* option = new QGroupBox(QStringLiteral("Option"), this);
    auto* optionLayout = new QVBoxLayout(option);
    CheckBox1 = new QCheckBox(QStringLiteral("Readout PXR Parameter now (Get)"), option);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    optionLayout->addWidget(CheckBox1);

    auto* demo = new QGroupBox(QStringLiteral("Demo"), this);
    auto* demoLayout = new QVBoxLayout(demo);
    CheckBox2 = new QCheckBox(QStringLiteral("Simulate Device"), demo);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    demoLayout->addWidget(CheckBox2);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(settings);
    layout->addWidget(option);
    layout->addWidget(demo);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Only the user's picks run the rules, not the filling in FormShow.
    connect(cb_device, &QComboBox::activated, this, &TComSetupForm::cb_deviceChange);
    connect(CheckBox2, &QCheckBox::clicked, this, &TComSetupForm::CheckBox2Click);
    connect(OKButton, &QPushButton::clicked, this, &TComSetupForm::OKButtonClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TComSetupForm::execFor(ComSetupModel& model)
{
    m_model = &model;
    FormShow();
    const bool ok = exec() == QDialog::Accepted;
    storeToModel();
    m_model = nullptr;
    return ok;
}

void TComSetupForm::OKButtonClick()
{
    // An empty name would be stored and only fail when the port is opened.
    const std::string refusal =
        ComSetupModel::okRefusal(Combo_Port->currentText().toStdString(), CheckBox2->isChecked());
    if (!refusal.empty()) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(refusal));
        Combo_Port->setFocus();
        return;
    }
    accept();
}

void TComSetupForm::FormShow()
{
    cb_device->setCurrentIndex(m_model->deviceIndex);
    Combo_Port->clear();
    Combo_Port->addItems(toStringList(m_model->portItems()));
    Combo_Port->setCurrentIndex(Combo_Port->findText(QString::fromStdString(m_model->portName)));
    Combo_Port->setEditText(QString::fromStdString(m_model->portName));
    Combo_Baudrate->setCurrentIndex(m_model->baudIndex);
    CheckBox1->setChecked(m_model->CheckBox1);
    CheckBox2->setChecked(m_model->CheckBox2);
    OKButton->setFocus();
}

void TComSetupForm::cb_deviceChange(int index)
{
    if (!m_model)
        return;
    m_model->cb_deviceChange(index);
    Combo_Baudrate->setCurrentIndex(m_model->baudIndex);
}

void TComSetupForm::CheckBox2Click(bool checked)
{
    if (!m_model)
        return;
    m_model->CheckBox1 = CheckBox1->isChecked();
    m_model->CheckBox2 = checked;
    m_model->CheckBox2Click();
    CheckBox1->setChecked(m_model->CheckBox1);
}

void TComSetupForm::storeToModel()
{
    m_model->deviceIndex = cb_device->currentIndex();
    m_model->portName = Combo_Port->currentText().trimmed().toStdString();
    m_model->baudIndex = Combo_Baudrate->currentIndex();
    m_model->CheckBox1 = CheckBox1->isChecked();
    m_model->CheckBox2 = CheckBox2->isChecked();
}

} // namespace pxr
