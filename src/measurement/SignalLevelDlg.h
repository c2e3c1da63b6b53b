#pragma once
// The signal-strength display of the DJ/Sd sequences.
// Created once at program start and kept for the life of the program; its
// controls come with the command that uses it.

#include <QDialog>

namespace pxr {

class TSignalLevelDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSignalLevelDlg(QWidget* parent = nullptr);
};

} // namespace pxr
