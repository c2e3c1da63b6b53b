#pragma once
// The measurement road on screen: the live number, the needle and the lamps
// get the core's values, the diagram and the log view show the core's series
// and log, and the diagram, log and setup actions get their handlers. The
// measuring commands themselves are the controller's. The page builds these
// widgets; the main window places them on its "Device", "Diagram" and "Log
// Window" pages. Created with the window's pages; start() follows FormCreate,
// and the diagram setup dialog is attached when the dialogs are created.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "base/ActionHandlers.h"
#include "devices/DeviceType.h"
#include "measurement/GraphicSetup.h"

class QLabel;
class QPrinter;

namespace pxr {

class AnalogMeterWidget;
class DiagramWidget;
class LedWidget;
class LogView;
class Measurement;
class SignalLevel;
class StatisticsLine;
class TGraphicSetupForm;
class UiHooks;

class MeasurementUi : public QObject, private GraphicSetup::Chart {
    Q_OBJECT
public:
    // What the page needs of the program around it.
    class Host {
    public:
        virtual ~Host() = default;
        // The road of a reading; null before FormCreate and after FormClose.
        virtual Measurement* measurement() = 0;
        virtual SignalLevel* signalLevel() = 0;
        virtual DeviceType deviceType() const = 0;
        // "Clear" and "Clear Log Window" start the terminal's line count again.
        virtual void resetLineCount() = 0;
        // The folder the log file dialog opens in now.
        virtual std::string logFolder() const = 0;
        // The "Graphic" values read at start, and storing new ones (throws
        // when the store cannot be written).
        virtual GraphicSettings startupGraphic() const = 0;
        virtual void storeGraphic(const GraphicSettings& settings) = 0;
        // "Start/Stop Log": its check mark and caption, in the menu and on
        // the button under the log view.
        virtual void showStartStopLog(bool checked, const std::string& caption) = 0;
        virtual void setZoomActionsEnabled(bool enabled) = 0;
    };

    // The page belongs to `window`, whose closing lets the views go of the
    // core's series and log. `printer` is the one of "Printer Setup".
    MeasurementUi(Host& host, UiHooks& ui, QPrinter& printer, QWidget* window);
    ~MeasurementUi() override;

    // After FormCreate: the core's measurement is there to be shown.
    void start();
    // The actions the page serves, for the controller's dispatch.
    ActionHandlers handlers();

    // The diagram setup: this page as its chart, then its creation step with
    // the stored "Graphic" values.
    void attachGraphicSetup(TGraphicSetupForm& dialog);

    // The widgets, for the window to place.
    QLabel* liveValue() const { return m_liveValue; }
    AnalogMeterWidget* analogMeter() const { return m_analogMeter; }
    // Lamp and label of switching output 1 or 2.
    LedWidget* led(int output) const { return output == 2 ? m_led2 : m_led1; }
    QLabel* outputLabel(int output) const { return output == 2 ? m_output2 : m_output1; }
    DiagramWidget* chart() const { return m_chart; }
    QLabel* statistics() const { return m_statistics; }
    // The widget holding statistics() that goes into the page.
    QWidget* statisticsLine() const;
    LogView* logView() const { return m_logView; }

    // The indicators that follow the model line and the simulation switch.
    void setOutput2Visible(bool visible);
    void setLiveValueRed(bool red);
    void clearLiveValue();
    void setupAnalogMeter(DeviceType line);

    // The file and print dialogs; tests replace them. Each returns the
    // chosen path (empty: cancelled) or whether printing was confirmed.
    std::function<QString(const QString& initialDir)> chooseLogFile;
    std::function<QString()> choosePictureFile;
    std::function<bool(QPrinter& printer)> confirmPrint;

    void acPrintGrafikExecute();
    void acSaveGrafikExecute();
    // The statistics under the diagram, from the core's figures now.
    void showStatistics();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildWidgets();
    Measurement* measurement() const { return m_host.measurement(); }
    void installHooks();

    // GraphicSetup::Chart: the diagram setup's steps on the chart, the zoom
    // actions, the store and the error box.
    void setZoomActionsEnabled(bool enabled) override;
    void applyMarkers(bool pointer, bool stair) override;
    void applyAxis(bool autoScale, double minimum, double maximum) override;
    void applyZoomPan(bool allowZoom, bool allowPan) override;
    void store(const GraphicSettings& settings) override;
    void showError(const std::string& text) override;

    Host& m_host;
    UiHooks& m_ui;
    QPrinter& m_printer;
    QWidget* m_window;

    QLabel* m_liveValue = nullptr;
    AnalogMeterWidget* m_analogMeter = nullptr;
    LedWidget* m_led1 = nullptr;
    LedWidget* m_led2 = nullptr;
    QLabel* m_output1 = nullptr;
    QLabel* m_output2 = nullptr;
    DiagramWidget* m_chart = nullptr;
    StatisticsLine* m_statisticsLine = nullptr;
    QLabel* m_statistics = nullptr;
    LogView* m_logView = nullptr;
    TGraphicSetupForm* m_graphicSetup = nullptr;
    // The measurement's view of the page (lamps, live values, dialogs).
    class View;
    std::unique_ptr<View> m_view;
};

} // namespace pxr
