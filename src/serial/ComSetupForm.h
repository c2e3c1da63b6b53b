#pragma once
// TComSetupForm, "Interface Setup": model line, port and baud rate, the
// readout and simulation boxes. The dialog only shows a ComSetupModel and
// passes the user's picks to it; the rules live in the model and the main
// controller applies the choices on OK.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace pxr {

class ComSetupModel;

class TComSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TComSetupForm(QWidget* parent = nullptr);

    // Shows the dialog modally on the model; true for OK. The model holds
    // the dialog's state afterwards, also after Cancel (the boxes keep their
    // state between showings).
    bool execFor(ComSetupModel& model);

    QComboBox* cb_device = nullptr;
    QComboBox* Combo_Port = nullptr;
    QComboBox* Combo_Baudrate = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* Button2 = nullptr;

private:
    void FormShow();
    void OKButtonClick();
    void cb_deviceChange(int index);
    void CheckBox2Click(bool checked);
    void storeToModel();

    ComSetupModel* m_model = nullptr;
};

} // namespace pxr
