#pragma once
// The main window's logic without widgets: start-up, switching the whole
// interface between the model lines, the simulation switch, the interface
// setup and its closing steps, the lost port, and the dispatch of the
// actions. It owns what the main window owns in the core (transactions,
// framers, parameter sets, timers) and drives the window through MainView.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/InterfaceSetup.h"
#include "app/KeyValueBackend.h"
#include "app/MeterFinder.h"
#include "app/MainView.h"
#include "app/PortSettings.h"
#include "app/SettingsStore.h"
#include "app/SystemServices.h"
#include "devices/DeviceType.h"
#include "devices/ParameterSets.h"
#include "measurement/Measurement.h"
#include "measurement/MeasurementCommands.h"
#include "measurement/SignalLevel.h"
#include "parameters/ParameterTransfer.h"
#include "serial/ComDataPacket.h"
#include "serial/ComPort.h"
#include "serial/ComTransactions.h"
#include "base/EventLoop.h"
#include "terminal/PortHistory.h"
#include "simulation/SimuDevice.h"

namespace pxr {

// Between the store's texts and the port's line settings. Texts the tables
// do not know give the store's defaults.
LineSettings toLineSettings(const PortSettings& settings);
PortSettings toPortSettings(const std::string& portName, const LineSettings& settings);

// Panel 2 after the device vanished: " Port lost: <name>: the device was
// disconnected or stopped answering", and the system's text in parentheses
// where it says more than that (systemTextExplainsLoss).
std::string portLostText(const std::string& portName, const std::string& osMessage);
// False for the texts a vanished or silent device leaves behind ("Resource
// temporarily unavailable", "No such file or directory", "Input/output
// error", ...), which would only mislead; true for any other text.
bool systemTextExplainsLoss(const std::string& osMessage);

class MainController : private SimuHost, private MeasurementCommands::Simulation, private ParameterTransfer::Host {
public:
    MainController(TComPort& port, EventLoop& loop, KeyValueBackend& settings, MainView& view);
    ~MainController();
    MainController(const MainController&) = delete;
    MainController& operator=(const MainController&) = delete;

    // ---- set by the owner before FormCreate ----
    // The port list, the finder's port and the decimal separator; without
    // it there are no ports to list, no search and the separator is '.'.
    void setSystem(SystemServices& system) { m_system = &system; }
    // Default of the folder settings.
    std::string DocumentsFolder;

    // ---- window events ----
    // args: the command-line arguments without the program name.
    void FormCreate(const std::vector<std::string>& args);
    void FormShow();
    void FormClose();

    // ---- model line and simulation ----
    void ReadDeviceType();
    void ApplyDeviceType(DeviceType line);
    void ArrangeForDeviceType();
    void SetSimulation(bool on);

    // ---- command-line choices, between FormCreate and FormShow ----
    // Use this port for this run (stored only when the user confirms the
    // interface setup).
    void usePort(const std::string& name);
    // Switch to the model line and its usual rate, e.g. for a demo meter.
    void preselectModelLine(DeviceType line);

    // ---- actions ----
    // Runs the action's handler. An error ends the command with the standard
    // error box; afterwards the input focus goes to the terminal if shown.
    // Actions without a handler do nothing.
    //
    // This is the one place that decides about talking to the meter: an
    // action of meterActions() runs as a conversation with the meter, and
    // while one runs every other such action (and the blocked ones) is
    // disabled and refused here, whatever brings it (key, button, timer).
    // STOP meanwhile cancels the running operation and stops the meter once
    // it has ended. A cancelled operation leaves its cancel text in panel 2.
    void execute(const std::string& action);
    // The Cancel button and Esc: the running operation ends after its
    // current exchange.
    void cancelConversation();
    // True when the window may close now; otherwise the running operation
    // is cancelled and the window closes once it has ended.
    bool closeAllowed();
    const MeterConversation& conversation() const { return m_tx.conversation(); }
    void setHandler(const std::string& action, std::function<void()> handler);

    void acSettingsExecute();
    void OKButtonClick();

    // "Find Meter" of the interface setup: closes the program's port (the
    // dialog's closing steps open it again), searches the port named in the
    // dialog and then every other port of its list at every rate, stops at
    // the first meter and puts its model line, port and rate into the
    // dialog's model. The search runs on a port of its own
    // (SystemServices::createPortBackend).
    struct FindOutcome {
        bool found = false;
        FoundMeter meter;
        std::string message; // for the dialog, found or not
    };
    FindOutcome FindMeter(ComSetupModel& setup, std::function<void(const MeterFinder::Progress&)> progress);
    // Ends a running search at its next wait.
    void CancelFindMeter();
    bool findingMeter() const { return m_finder != nullptr; }
    void acExitExecute();
    void acDeviceExecute();
    void Timer_StatusbarTimer();
    void Timer_AutoGetTimer();

    // ---- state ----
    DeviceType deviceType() const override { return m_deviceType; }
    bool simulationOn() const override { return m_simulationOn; }
    bool historyNoCRLF() const { return m_historyNoCRLF; }
    // The traffic history CPortHistory1 shows: what the port received, and
    // the simulated device's lines.
    PortHistory& portHistory() { return m_history; }
    // Hint of the live-value label while the mouse is over it.
    std::string lb_InputHint() const;

    TComPort& port() { return m_port; }
    ComTransactions& transactions() { return m_tx; }
    SettingsStore& settings() { return m_store; }
    const StartupSettings& startupSettings() const { return m_startup; }

    // The parameter set of the current model line (null after FormClose).
    ParameterSet* currentParameterSet();
    TPXR7x* PXR7x() { return m_pxr7x.get(); }
    TPXR500C* PXR500C() { return m_pxr500c.get(); }
    TPXR501* PXR501() { return m_pxr501.get(); }
    // The editor fields of all three sets.
    void setFieldBinding(FieldBinding* binding);

    // The road of a reading (decoding, outputs, diagram, log; connected to
    // ComDataPacket_mess) and the measuring commands; null before FormCreate
    // and after FormClose. Whoever else wants the readings attaches a
    // ReadingSink to measurement()->decoding.
    Measurement* measurement() { return m_measurement.get(); }
    MeasurementCommands* commands() { return m_commands.get(); }

    TComDataPacket ComDataPacket_mess;
    // Messages put into panel 2 by the file and clipboard commands vanish
    // after this long: they start Timer_Statusbar with it.
    static constexpr uint32_t kStatusbarMs = 3000;
    // Such a message: shown in panel 2 until Timer_Statusbar blanks it.
    void showPassingStatus(const std::string& text);
    Timer& Timer_Statusbar() { return *m_timerStatusbar; }
    Timer& Timer_AutoGet() { return *m_timerAutoGet; }
    Timer& SimuTimer() { return *m_simuTimer; }
    // The simulated device behind SimuTimer (mode, intervals, lines) and the
    // settings of its setup dialog.
    SimuDevice& simuDevice() { return *m_simu; }
    SimuSetup& simuSetup() { return m_simuSetup; }
    // The signal-strength sequences of acDJ/acSd (null before FormCreate).
    SignalLevel* signalLevel() { return m_signalLevel.get(); }

    // Switching-output states of the lamps.
    bool Out1CenterState = false;
    bool Out1EndState = false;
    bool Out2CenterState = false;
    bool Out2EndState = false;

    // Received lines counted by the terminal, shown in status panel 1; "Clear
    // Log Window" and the diagram's "Clear" set it back to 0.
    LineCounter LineCount;
    // Counts characters the terminal showed by the model line's rule (a blank
    // on PXR500C, an LF otherwise); true when the count changed.
    bool countTerminalChars(const std::string& chars)
    {
        return LineCount.count(chars, m_deviceType == kPXR500C);
    }

private:
    void closingSteps();
    bool refusedWhileTalking(const std::string& action) const;
    void conversationChanged();
    void refreshActionStates();
    void afterConversation();
    void portLost(const std::string& osMessage);
    void applySimulationEffects();
    // The simulated device and the signal-strength actions.
    void installSimulation();
    // SimuHost: the parameter sets, the signal-strength dialog, and the road
    // of a line the measurement framer cut.
    std::string simuParameter(DeviceType line, const std::string& code, int index) const override;
    bool signalDialogOpen() const override;
    void deliverSimulatedLine(const std::string& line) override;
    // MeasurementCommands::Simulation and ParameterTransfer::Host: the
    // simulated device's timer, mode and interval, the user's decimal
    // separator.
    void setSimuTimer(bool on) override;
    void setSimuMode(int mode) override;
    void recomputeSimuInterval() override;
    char decimalSeparator() const override;

    TComPort& m_port;
    EventLoop& m_loop;
    SettingsStore m_store;
    MainView& m_view;
    SystemServices* m_system = nullptr;
    ComTransactions m_tx;
    ComSetupModel m_setup;
    PortHistory m_history;
    StartupSettings m_startup;

    DeviceType m_deviceType = kPXR7X;
    bool m_simulationOn = false;
    bool m_historyNoCRLF = false;
    bool m_liveRed = false;

    std::unique_ptr<TPXR7x> m_pxr7x;
    std::unique_ptr<TPXR500C> m_pxr500c;
    std::unique_ptr<TPXR501> m_pxr501;
    std::unique_ptr<Measurement> m_measurement;
    std::unique_ptr<MeasurementCommands> m_commands;
    std::unique_ptr<ParameterTransfer> m_transfer;

    std::unique_ptr<Timer> m_timerStatusbar;
    std::unique_ptr<Timer> m_timerAutoGet;
    std::unique_ptr<Timer> m_simuTimer;
    SimuSetup m_simuSetup;
    std::unique_ptr<SimuDevice> m_simu;
    std::unique_ptr<SignalLevel> m_signalLevel;

    std::map<std::string, std::function<void()>> m_handlers;
    MeterFinder* m_finder = nullptr;
    bool m_talking = false;
    std::string m_conversationAction; // the action the conversation runs
    bool m_stopAfterConversation = false;
    bool m_exitAfterConversation = false;
};

} // namespace pxr
