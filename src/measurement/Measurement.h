#pragma once
// The road of a reading, assembled: the time base ATimer1, the decoding of
// ComDataPacket_mess's packets, the diagram's series, the analog and
// switching outputs, the online log and the 100 ms refresh of the live
// number and needle. The main window owns one of these and provides the
// hooks; the widgets pull what they show from the parts.

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

class Measurement {
public:
    struct Hooks {
        // TSignalLevelDlg.
        std::function<bool()> signalDialogOpen;
        std::function<void(int32_t level)> ShowSignalLevel;
        // LED1 / LED2.
        std::function<void(int output, bool on)> setLed;
        // LineCount of the terminal page := 0.
        std::function<void()> resetLineCount;
        // Timer_AnalogMeter: lb_Input's caption and AnalogMeter1's value
        // (called when either differs from what was shown last).
        std::function<void(const std::string& caption, int32_t meterValue)> showLiveValues;
        // Log file dialogs and the Start/Stop Log File action.
        std::function<std::string()> logDirectory;
        std::function<std::string(const std::string& initialDir)> chooseLogFile;
        std::function<void(bool checked, const std::string& caption)> setStartStopLog;
    };

    // `deviceType` is the window's current model line, read for every line.
    // Starts the time base and Timer_AnalogMeter, as the window's creation does.
    Measurement(const DeviceType& deviceType, EventLoop& loop, UiHooks& ui, const TPXR7x& pxr7x,
                const TPXR500C& pxr500c, const TPXR501& pxr501, Hooks hooks = {},
                Stopwatch::Clock clock = {});
    // Disconnects the framer it was connected to.
    ~Measurement();
    Measurement(const Measurement&) = delete;
    Measurement& operator=(const Measurement&) = delete;

    // Replaces the hooks of every part (the window provides them once its
    // widgets exist).
    void setHooks(Hooks hooks);

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
    void distributeHooks();

    const DeviceType& m_deviceType;
    TComDataPacket* m_mess = nullptr;
    Hooks m_hooks;
    std::unique_ptr<Timer> m_analogTimer;
    std::string m_shownCaption;
    int32_t m_shownValue = 0;
    bool m_shownOnce = false;
};

} // namespace pxr
