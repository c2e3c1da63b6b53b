#pragma once
// "Change Baud Rate": picks the new rate of meter and PC for
// acBaudrateExecute. Created once at program start and kept for the life of
// the program.

#include <QDialog>

#include <cstdint>

class QComboBox;
class QPushButton;

namespace pxr {

class TChangeBdDlg : public QDialog {
    Q_OBJECT
public:
    explicit TChangeBdDlg(QWidget* parent = nullptr);

    // Selects the port's current rate (no selection for a rate the list
    // lacks), remembers it as the old rate and shows the dialog modally.
    int Execute(uint32_t currentRate);
    // The rate chosen with OK.
    void Button1Click();

    uint32_t OldRate() const { return m_oldRate; }
    uint32_t NewRate() const { return m_newRate; }

    QComboBox* Combo2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

private:
    uint32_t m_oldRate = 0;
    uint32_t m_newRate = 0;
};

} // namespace pxr
