#pragma once
// The diagram setup: axis limits, markers, steps, zoom and pan, number of points.
// Created once at program start and kept for the life of the program; its
// controls come with the command that uses it.

#include <QDialog>

namespace pxr {

class TGraphicSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TGraphicSetupForm(QWidget* parent = nullptr);
};

} // namespace pxr
