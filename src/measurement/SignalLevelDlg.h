#pragma once
// "Signal Strength": a bar and a large number showing the strength of the
// light the meter receives while the user aims the laser. Created once at
// program start and kept for the life of the program. The sequences that
// switch the meter into the signal output and back are the core's
// SignalLevel; this dialog is its face (bar range and position, the number)
// and its modal loop. Readings and timers keep running while it is open.

#include <QDialog>

#include <exception>

#include "measurement/SignalLevel.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace pxr {

class TSignalLevelDlg : public QDialog {
    Q_OBJECT
public:
    // `core` may be null (the dialog then only shows itself).
    explicit TSignalLevelDlg(SignalLevel* core, QWidget* parent = nullptr);

    // The close handler: switches the meter back (once, however the dialog
    // is closed: "Abort", Esc or the close box).
    void FormClose();

    SignalLevel* core() const { return m_core; }

    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* BitBtn2 = nullptr; // "Abort"

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    SignalLevel* m_core;
    // FormClose waits for the meter; a second close meanwhile must not run
    // the sequence again.
    bool m_closing = false;
    // An error of the closing sequence must not cross Qt's event handling;
    // it ends the command once the modal loop is left.
    std::exception_ptr m_closeError;
};

} // namespace pxr
