#pragma once
// The default folders of parameter files and log files.
// Created once at program start and kept for the life of the program; its
// controls come with the command that uses it.

#include <QDialog>

namespace pxr {

class TDirectorySetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TDirectorySetupForm(QWidget* parent = nullptr);
};

} // namespace pxr
