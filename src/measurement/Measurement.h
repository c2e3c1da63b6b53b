#pragma once
// The road of a reading, assembled: the time base ATimer1, the decoding of
// ComDataPacket_mess's packets, the diagram's series, the analog and
// switching outputs, the online log and the 100 ms refresh of the live
// number and needle. The main window owns one of these and is its
// MeasurementView; the widgets pull what they show from the parts.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "measurement/GraphicSettings.h"
#include "devices/ParameterSets.h"
#include "measurement/GraphicSetup.h"
#include "measurement/OnlineLog.h"
#include "measurement/OutputCalc.h"
#include "measurement/ReadingDecoder.h"
#include "measurement/ReadingStats.h"
#include "measurement/SeriesModel.h"
#include "measurement/Stopwatch.h"
#include "serial/ComDataPacket.h"
#include "base/EventLoop.h"
#include "base/UiHooks.h"

namespace pxr {

// Everything the measurement shows on the window: the signal-strength
// dialog (TSignalLevelDlg), the lamps LED1 / LED2, the log's dialogs and
// action, the terminal page's line counter, and the live number and needle.
class MeasurementView : public SignalLevelDisplay, public OutputLamps, public LogWindowUi {
public:
    // Timer_AnalogMeter: lb_Input's caption and AnalogMeter1's value (called
    // when either differs from what was shown last).
    virtual void showLiveValues(const std::string& caption, int32_t meterValue) = 0;
    // The same tick, when the diagram's series has changed since the last
    // one: the diagram follows at the needle's pace, from the same timer.
    virtual void showNewPoints() = 0;

protected:
    ~MeasurementView() = default;
};

// Shows nothing, and every dialog is cancelled; a base for fakes that record
// only part of it.
class NullMeasurementView : public MeasurementView {
public:
    bool signalDialogOpen() const override { return false; }
    void ShowSignalLevel(int32_t) override {}
    void setLed(int, bool) override {}
    std::string logDirectory() override { return {}; }
    std::string chooseLogFile(const std::string&) override { return {}; }
    void setStartStopLog(bool, const std::string&) override {}
    void resetLineCount() override {}
    void showLiveValues(const std::string&, int32_t) override {}
    void showNewPoints() override {}
};

class Measurement {
public:
    // `deviceType` is the window's current model line, read for every line.
    // Starts the time base and Timer_AnalogMeter, as the window's creation does.
    Measurement(const DeviceType& deviceType, EventLoop& loop, UiHooks& ui, const TPXR7x& pxr7x,
                const TPXR500C& pxr500c, const TPXR501& pxr501, MeasurementView* view = nullptr,
                Stopwatch::Clock clock = {});
    // Disconnects the framer it was connected to.
    ~Measurement();
    Measurement(const Measurement&) = delete;
    Measurement& operator=(const Measurement&) = delete;

    // The window every part shows on (it provides itself once its widgets
    // exist); null: nothing is shown.
    void setView(MeasurementView* view);

    // Makes `mess` deliver its packets to the decoding, until this is gone.
    // The program and the tests wire the framer with this one call.
    void connect(TComDataPacket& mess);
    // A simulated line (the simulated device's tick).
    void simulatedLine(const std::string& line) { decoding.ComDataPacket_messPacket(line); }

    // Model-line switch: hysteresis cleared, the instrument's scale for the
    // window to apply.
    AnalogMeterScale ArrangeForDeviceType();

    // acClearGrafik: new time base, no points, statistics from zero, line counter 0.
    void acClearGrafikExecute();
    // The diagram setup's number of points takes effect.
    void applyGraphicSettings(const GraphicSettings& settings);

    void Timer_AnalogMeterTimer();
    Timer& Timer_AnalogMeter() { return *m_analogTimer; }

    Stopwatch ATimer1;
    MeasurementDecoding decoding;
    SeriesModel series;
    // Every reading the diagram was given since the last Clear.
    ReadingStats stats;
    DiagramZoom zoom;
    OutputCalc outputs;
    OnlineLog log;

private:
    const DeviceType& m_deviceType;
    TComDataPacket* m_mess = nullptr;
    MeasurementView* m_view = nullptr;
    std::unique_ptr<Timer> m_analogTimer;
    std::string m_shownCaption;
    int32_t m_shownValue = 0;
    bool m_shownOnce = false;
    uint64_t m_shownRevision = 0;
};

} // namespace pxr
