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

class TGraphicSetupForm : public QDialog {
    Q_OBJECT
public:
    // What ApplyToChart and "OK" reach outside the dialog.
    struct ChartHooks {
        std::function<void(bool pointer, bool stair)> applyMarkers;
        std::function<void(bool autoScale, double minimum, double maximum)> applyAxis;
        std::function<void(bool allowZoom, bool allowPan)> applyZoomPan;
        std::function<void(bool enabled)> setZoomActionsEnabled;
        std::function<void(const GraphicSettings& settings)> store;
        std::function<void(const std::string& text)> showError;
    };

    explicit TGraphicSetupForm(QWidget* parent = nullptr);

    void setChartHooks(ChartHooks hooks);
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
    void installHooks();
    void showChecks();

    GraphicSetup m_setup;
    ChartHooks m_chart;
};

} // namespace pxr
