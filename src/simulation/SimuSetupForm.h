#pragma once
// The settings of the simulated device.
// Created once at program start and kept for the life of the program; its
// controls come with the command that uses it.

#include <QDialog>

namespace pxr {

class TSimuSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TSimuSetupForm(QWidget* parent = nullptr);
};

} // namespace pxr
