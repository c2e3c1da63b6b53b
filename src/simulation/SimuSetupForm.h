#pragma once
// "Simulate Distance": the base distance of the simulated readings and the
// ramp-and-error switch. Created once at program start and kept for the
// life of the program. The rules are the core's SimuSetup, which the
// simulated device reads; this dialog shows its fields and hands it what
// the user typed on "OK". "Cancel" (or Esc, or the close box) shows the
// values in force again.

#include <QDialog>

#include "simulation/SimuDevice.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pxr {

class TSimuSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TSimuSetupForm(SimuSetup& setup, QWidget* parent = nullptr);

    // The fixed distance as ed_dist shows it: the system's number format,
    // without digit grouping (a grouped "3.000" would come back as 3).
    static QString distanceText(double distance);

    void cb_autodistClick();
    void OKButtonClick();
    void CancelButtonClick();

    SimuSetup& setup() { return m_setup; }

    QLabel* lb_dist = nullptr;
    QLineEdit* ed_dist = nullptr;
    QCheckBox* cb_autodist = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

public slots:
    void reject() override;

private:
    void showSetup();

    SimuSetup& m_setup;
};

} // namespace pxr
