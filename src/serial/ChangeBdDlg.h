#pragma once
// The baud-rate change of meter and PC.
// Created once at program start and kept for the life of the program; its
// controls come with the command that uses it.

#include <QDialog>

namespace pxr {

class TChangeBdDlg : public QDialog {
    Q_OBJECT
public:
    explicit TChangeBdDlg(QWidget* parent = nullptr);
};

} // namespace pxr
