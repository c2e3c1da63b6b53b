#include "app/ComSetupForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/InterfaceSetup.h"
#include "dialogs/DialogButtons.h"

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
    auto* settingsLayout = new QVBoxLayout(settings);
    auto* form = new QFormLayout;
    settingsLayout->addLayout(form);
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

    // The meter finder: every port of the list at every rate of the list.
    btn_FindMeter = new QPushButton(QStringLiteral("Find Meter"), settings);
    btn_FindMeter->setObjectName(QStringLiteral("btn_FindMeter"));
    btn_FindMeter->setAutoDefault(false);
    btn_FindMeter->setToolTip(QStringLiteral("Look for a meter on the port above, then on every port of the list, "
                                             "at every baud rate; fills type, port and baud rate"));
    pb_Find = new QProgressBar(settings);
    pb_Find->setObjectName(QStringLiteral("pb_Find"));
    pb_Find->setTextVisible(false);
    // The row keeps its room, so the dialog does not jump when a search starts.
    QSizePolicy keep = pb_Find->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    pb_Find->setSizePolicy(keep);
    pb_Find->setVisible(false);
    btn_FindCancel = new QPushButton(QStringLiteral("Cancel Search"), settings);
    btn_FindCancel->setObjectName(QStringLiteral("btn_FindCancel"));
    btn_FindCancel->setAutoDefault(false);
    keep = btn_FindCancel->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    btn_FindCancel->setSizePolicy(keep);
    btn_FindCancel->setVisible(false);
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(btn_FindMeter);
    findRow->addWidget(pb_Find, 1);
    findRow->addWidget(btn_FindCancel);
    settingsLayout->addLayout(findRow);
    lb_Find = new QLabel(settings);
    lb_Find->setObjectName(QStringLiteral("lb_Find"));
    lb_Find->setWordWrap(true);
    lb_Find->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A fixed width: room for a port name and an identification in a few
    // lines, and a height the fixed-size dialog can work out from it.
    lb_Find->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 58);
    settingsLayout->addWidget(lb_Find);

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

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(settings);
    layout->addWidget(option);
    layout->addWidget(demo);
    const DialogButtons buttons = addDialogButtons(this, layout, QStringLiteral("OKButton"), QStringLiteral("Button2"));
    OKButton = buttons.ok;
    Button2 = buttons.cancel;
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Only the user's picks run the rules, not the filling in FormShow.
    connect(cb_device, &QComboBox::activated, this, &TComSetupForm::cb_deviceChange);
    connect(CheckBox2, &QCheckBox::clicked, this, &TComSetupForm::CheckBox2Click);
    connect(OKButton, &QPushButton::clicked, this, &TComSetupForm::OKButtonClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(btn_FindMeter, &QPushButton::clicked, this, &TComSetupForm::btn_FindMeterClick);
    connect(btn_FindCancel, &QPushButton::clicked, this, [this] {
        if (m_searching && m_find.cancel)
            m_find.cancel();
    });
}

void TComSetupForm::reject()
{
    if (m_searching) {
        if (m_find.cancel)
            m_find.cancel();
        return;
    }
    QDialog::reject();
}

void TComSetupForm::btn_FindMeterClick()
{
    if (!m_model || !m_find.find || m_searching)
        return;
    storeToModel();
    m_searching = true;
    QWidget* const locked[] = {cb_device, Combo_Port, Combo_Baudrate, CheckBox1, CheckBox2, OKButton, Button2,
                               btn_FindMeter};
    for (QWidget* w : locked)
        w->setEnabled(false);
    pb_Find->setRange(0, 1);
    pb_Find->setValue(0);
    pb_Find->setVisible(true);
    btn_FindCancel->setVisible(true);
    lb_Find->setText(QStringLiteral("Searching ..."));
    const auto progress = [this](size_t done, size_t total, const std::string& text) {
        pb_Find->setRange(0, static_cast<int>(total));
        pb_Find->setValue(static_cast<int>(done));
        lb_Find->setText(QString::fromStdString(text));
    };
    std::pair<bool, std::string> outcome{false, std::string()};
    try {
        outcome = m_find.find(*m_model, progress);
    } catch (const std::exception& e) {
        outcome = {false, e.what()};
    }
    m_searching = false;
    for (QWidget* w : locked)
        w->setEnabled(true);
    pb_Find->setVisible(false);
    btn_FindCancel->setVisible(false);
    lb_Find->setText(QString::fromStdString(outcome.second));
    if (outcome.first) {
        cb_device->setCurrentIndex(m_model->deviceIndex);
        showPortAndRate();
        OKButton->setFocus();
    }
}

void TComSetupForm::showPortAndRate()
{
    Combo_Port->clear();
    Combo_Port->addItems(toStringList(m_model->portItems()));
    Combo_Port->setCurrentIndex(Combo_Port->findText(QString::fromStdString(m_model->portName)));
    Combo_Port->setEditText(QString::fromStdString(m_model->portName));
    Combo_Baudrate->setCurrentIndex(m_model->baudIndex);
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
    lb_Find->clear();
    cb_device->setCurrentIndex(m_model->deviceIndex);
    showPortAndRate();
    CheckBox1->setChecked(m_model->readoutNow);
    CheckBox2->setChecked(m_model->simulate);
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
    m_model->readoutNow = CheckBox1->isChecked();
    m_model->simulate = checked;
    m_model->simulateToggled();
    CheckBox1->setChecked(m_model->readoutNow);
}

void TComSetupForm::storeToModel()
{
    m_model->deviceIndex = cb_device->currentIndex();
    m_model->portName = Combo_Port->currentText().trimmed().toStdString();
    m_model->baudIndex = Combo_Baudrate->currentIndex();
    m_model->readoutNow = CheckBox1->isChecked();
    m_model->simulate = CheckBox2->isChecked();
}

} // namespace pxr
