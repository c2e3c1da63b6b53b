#pragma once
// The diagram setup: axis limits, markers, steps, zoom and pan, number of
// points. Created once at program start and kept for the life of the
// program. The rules (setters, limits, reading the typed texts on "OK",
// ApplyToChart) are the core's GraphicSetup; this dialog shows its fields
// and hands it what the user typed. "Cancel" keeps what was typed for the
// next opening.

#include <QDialog>

#include "measurement/GraphicSetup.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace pxr {

class TGraphicSetupForm : public QDialog, private GraphicSetup::Fields {
    Q_OBJECT
public:
    explicit TGraphicSetupForm(QWidget* parent = nullptr);

    // What ApplyToChart and "OK" reach outside the dialog (the diagram's
    // page, which outlives the dialog's use).
    void setChart(GraphicSetup::Chart* chart) { m_setup.setChart(chart); }
    // Creation: the stored values through the setters, then ApplyToChart.
    void FormCreate(const GraphicSettings& stored);
    // "OK": the typed values through the setters, ApplyToChart, then the
    // settings store when the chart took them. The dialog closes either way.
    void Button1Click();

    GraphicSetup& setup() { return m_setup; }
    const GraphicSettings& settings() const { return m_setup.settings(); }

    QLineEdit* ed_min = nullptr;
    QLineEdit* ed_max = nullptr;
    QCheckBox* cb_scale = nullptr;
    QCheckBox* cb_pointer = nullptr;
    QCheckBox* cb_stair = nullptr;
    QCheckBox* cb_allowZoom = nullptr;
    QCheckBox* cb_allowPan = nullptr;
    QLineEdit* ed_number = nullptr;
    QPushButton* Button1 = nullptr; // OK
    QPushButton* Button2 = nullptr; // Cancel

private:
    // GraphicSetup::Fields: ed_min, ed_max, ed_number.
    void showMinimum(const std::string& text) override;
    void showMaximum(const std::string& text) override;
    void showNumber(const std::string& text) override;
    void showChecks();

    GraphicSetup m_setup;
};

} // namespace pxr
