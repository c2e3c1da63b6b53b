#pragma once
// TComSetupForm, "Interface Setup": model line, port and baud rate, the
// readout and simulation boxes. The dialog only shows a ComSetupModel and
// passes the user's picks to it; the rules live in the model and the main
// controller applies the choices on OK.

#include <QDialog>

#include <cstddef>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
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

    // "Find Meter": the search itself is the main window's. `find` runs it
    // (reporting progress as probes done of all, with a text), fills the
    // model when it finds a meter and returns what to tell the user;
    // `cancel` ends it at its next wait.
    struct FindHooks {
        std::function<std::pair<bool, std::string>(
            ComSetupModel& model, const std::function<void(size_t done, size_t total, const std::string& text)>& progress)>
            find;
        std::function<void()> cancel;
    };
    void setFindHooks(FindHooks hooks) { m_find = std::move(hooks); }

    QComboBox* cb_device = nullptr;
    QComboBox* Combo_Port = nullptr;
    QComboBox* Combo_Baudrate = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* btn_FindMeter = nullptr;
    QPushButton* btn_FindCancel = nullptr;
    QProgressBar* pb_Find = nullptr;
    QLabel* lb_Find = nullptr;

    // While a search runs, Esc and the close box end the search, not the dialog.
    void reject() override;

private:
    void btn_FindMeterClick();
    void showPortAndRate();
    void FormShow();
    void OKButtonClick();
    void cb_deviceChange(int index);
    void CheckBox2Click(bool checked);
    void storeToModel();

    ComSetupModel* m_model = nullptr;
    FindHooks m_find;
    bool m_searching = false;
};

} // namespace pxr
