#pragma once
// The rules of the diagram setup dialog (TGraphicSetupForm) without the
// dialog: its eight fields with their setters, the reading of the typed
// texts on "OK", and ApplyToChart's steps. The dialog widget shows the
// fields it is handed and passes the typed texts to acceptTyped; the
// diagram's page takes ApplyToChart's steps.

#include <string>
#include <string_view>

#include "measurement/GraphicSettings.h"

namespace pxr {

// A number typed in the system's regional format: blanks around it are
// ignored, `decimalSeparator` is the only decimal point.
bool RegionalTextToFloat(std::string_view text, char decimalSeparator, double& value);
// A floating-point number as the system shows it (shortest form, regional
// decimal separator).
std::string RegionalFloatText(double value, char decimalSeparator);

// Empty when the chart accepts the axis limits; else the error text. Only a
// minimum at or above the maximum is refused, and only for a fixed axis.
std::string AxisLimitError(const GraphicSettings& settings);

class GraphicSetup {
public:
    static constexpr int kMinNumber = 10;
    static constexpr int kMaxNumber = 1000;

    // The dialog's three edit fields.
    class Fields {
    public:
        virtual ~Fields() = default;
        virtual void showMinimum(const std::string& text) = 0; // ed_min
        virtual void showMaximum(const std::string& text) = 0; // ed_max
        virtual void showNumber(const std::string& text) = 0;  // ed_number
    };

    // What ApplyToChart and "OK" reach outside the dialog.
    class Chart {
    public:
        virtual ~Chart() = default;
        // "Zoom In" and "Zoom Out" follow the zoom-allowed field.
        virtual void setZoomActionsEnabled(bool enabled) = 0;
        // ApplyToChart's steps on the chart.
        virtual void applyMarkers(bool pointer, bool stair) = 0;
        virtual void applyAxis(bool autoScale, double minimum, double maximum) = 0;
        virtual void applyZoomPan(bool allowZoom, bool allowPan) = 0;
        // Section "Graphic" of the settings store.
        virtual void store(const GraphicSettings& settings) = 0;
        // The application's standard error box.
        virtual void showError(const std::string& text) = 0;
    };

    // What the user typed and ticked when pressing "OK".
    struct Typed {
        std::string minimum; // ed_min
        std::string maximum; // ed_max
        bool autoScale = false;
        bool pointer = false;
        bool stair = false;
        bool allowZoom = false;
        bool allowPan = false;
        std::string number; // ed_number
    };

    // Either may be null: nothing is shown or applied there.
    explicit GraphicSetup(Fields* fields = nullptr, Chart* chart = nullptr, char decimalSeparator = '.');
    void setFields(Fields* fields) { m_fields = fields; }
    void setChart(Chart* chart) { m_chart = chart; }
    void setDecimalSeparator(char c) { m_separator = c; }

    // Each stores the value and updates its control only when it changed
    // (the controls start with the defaults, as the fields do).
    void SetMinimum(double v);
    void SetMaximum(double v);
    void SetAutoScale(bool v);
    void SetPointer(bool v);
    void SetStair(bool v);
    void SetAllowZoom(bool v);
    void SetAllowPan(bool v);
    // Stores a changed value, then limits it to 10..1000 and shows it.
    void SetNumber(int v);

    const GraphicSettings& settings() const { return m_settings; }

    // Program start: the stored values through the setters, the number into
    // ed_number, then ApplyToChart.
    void Load(const GraphicSettings& stored);

    // Returns false, after the error box, when the chart refuses the axis
    // limits; the markers are applied then, the axis and the zoom are not.
    bool ApplyToChart();

    // "OK": reads the texts (minimum 0, maximum 40, number 10 where a text
    // is not a number), shows the values taken in the three edit fields,
    // applies them and, when the chart took them, stores all eight values.
    // Returns whether they were stored.
    bool acceptTyped(const Typed& typed);

private:
    // The minimum or the maximum, shown in its field (ed_min, ed_max) when it changed.
    void setLimit(double& limit, double v, void (Fields::*show)(const std::string&));
    // ed_min, ed_max and ed_number show the fields' values.
    void showFields();

    GraphicSettings m_settings;
    Fields* m_fields;
    Chart* m_chart;
    char m_separator;
};

} // namespace pxr
