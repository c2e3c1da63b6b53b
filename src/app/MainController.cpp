#include "app/MainController.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "app/ActionTable.h"
#include "app/Arrangement.h"
#include "app/CommandLine.h"
#include "base/Trace.h"

namespace pxr {

namespace {

constexpr uint32_t kAutoGetMs = 300;

template <typename Enum, size_t N>
Enum fromText(const std::string& text, const Enum (&values)[N], const char* (*toText)(Enum), Enum def)
{
    for (Enum v : values)
        if (text == toText(v))
            return v;
    return def;
}

} // namespace

LineSettings toLineSettings(const PortSettings& s)
{
    static const Parity kParities[] = {Parity::None, Parity::Odd, Parity::Even, Parity::Mark, Parity::Space};
    static const StopBits kStops[] = {StopBits::One, StopBits::OneHalf, StopBits::Two};
    static const FlowControl kFlows[] = {FlowControl::None, FlowControl::Hardware, FlowControl::Software};
    LineSettings l;
    l.baudRate = s.baudRate;
    l.dataBits = s.dataBits;
    l.parity = fromText(s.parity, kParities, parityText, Parity::None);
    l.stopBits = fromText(s.stopBits, kStops, stopBitsText, StopBits::One);
    l.flowControl = fromText(s.flowControl, kFlows, flowControlText, FlowControl::None);
    return l;
}

PortSettings toPortSettings(const std::string& portName, const LineSettings& l)
{
    PortSettings s;
    s.port = portName;
    s.baudRate = l.baudRate;
    s.dataBits = l.dataBits;
    s.parity = parityText(l.parity);
    s.stopBits = stopBitsText(l.stopBits);
    s.flowControl = flowControlText(l.flowControl);
    return s;
}

bool systemTextExplainsLoss(const std::string& osMessage)
{
    if (osMessage.empty() || osMessage == "Unknown error")
        return false;
    // What the driver says when the device went away or its end hung up: a
    // read that found nothing (the error number of an earlier call, often),
    // a device node that is gone, a failing line. None of it tells the
    // engineer more than that the device is gone or silent.
    for (const int code : {EAGAIN, EWOULDBLOCK, ENOENT, ENXIO, ENODEV, EIO, EBADF, EPIPE, ECONNRESET, ENOTTY})
        if (osMessage == std::strerror(code))
            return false;
    return true;
}

std::string portLostText(const std::string& portName, const std::string& osMessage)
{
    std::string text = " Port lost: " + portName + ": the device was disconnected or stopped answering";
    if (systemTextExplainsLoss(osMessage))
        text += " (" + osMessage + ")";
    return text;
}

MainController::MainController(TComPort& port, EventLoop& loop, KeyValueBackend& settings,
                               MainView& view)
    : m_port(port),
      m_loop(loop),
      m_store(settings),
      m_view(view),
      m_tx(port, loop, view),
      m_timerStatusbar(loop.createTimer()),
      m_timerAutoGet(loop.createTimer()),
      m_simuTimer(loop.createTimer())
{
    // The framer cuts 96-byte blocks until the model line arms it.
    ComDataPacket_mess.setSize(96);

    m_tx.conversation().OnChanged = [this] { conversationChanged(); };

    m_timerStatusbar->setSingleShot(true);
    m_timerStatusbar->setCallback([this] { Timer_StatusbarTimer(); });
    m_timerAutoGet->setCallback([this] { Timer_AutoGetTimer(); });

    // The device can vanish at any time (adapter pulled); the port is closed
    // by then and every operation treats it as nothing to do.
    m_port.OnLost = [this](const std::string& message) { portLost(message); };

    setHandler("acSettings", [this] { acSettingsExecute(); });
    setHandler("acExit", [this] { acExitExecute(); });
    setHandler("acDevice", [this] { acDeviceExecute(); });
    installSimulation();
    // The measuring commands, acSO and acStop.
    {
        size_t count = 0;
        const MeasurementCommand* table = pxr::measurementCommands(count);
        std::vector<std::string> names{"acSO", "acStop"};
        for (size_t i = 0; i < count; ++i)
            names.emplace_back(table[i].action);
        for (const std::string& name : names)
            setHandler(name, [this, name] {
                if (m_commands)
                    m_commands->Execute(name);
            });
    }
    const std::pair<const char*, void (ParameterTransfer::*)()> transfers[] = {
        {"acGetParameter", &ParameterTransfer::acGetParameterExecute},
        {"acSetParameter", &ParameterTransfer::acSetParameterExecute},
        {"acSetStandard", &ParameterTransfer::acSetStandardExecute},
        {"acSetProfibus", &ParameterTransfer::acSetProfibusExecute},
    };
    for (const auto& [action, run] : transfers)
        setHandler(action, [this, run = run] {
            if (m_transfer)
                (m_transfer.get()->*run)();
        });
}

MainController::~MainController()
{
    m_port.OnLost = nullptr;
    ComDataPacket_mess.setComPort(nullptr);
}

// ---- window events ---------------------------------------------------------

void MainController::FormCreate(const std::vector<std::string>& args)
{
    m_pxr7x = std::make_unique<TPXR7x>();
    m_pxr500c = std::make_unique<TPXR500C>();
    m_pxr501 = std::make_unique<TPXR501>();
    m_signalLevel = std::make_unique<SignalLevel>(m_tx, *m_pxr500c, *m_pxr501);
    m_measurement = std::make_unique<Measurement>(m_deviceType, m_loop, m_view, *m_pxr7x, *m_pxr500c, *m_pxr501);
    m_measurement->connect(ComDataPacket_mess);
    m_commands = std::make_unique<MeasurementCommands>(m_tx, *m_pxr7x, *m_pxr501,
                                                       static_cast<MeasurementCommands::Simulation*>(this));
    m_transfer = std::make_unique<ParameterTransfer>(m_tx, ComDataPacket_mess, *m_pxr7x, *m_pxr500c, *m_pxr501,
                                                     static_cast<ParameterTransfer::Host*>(this));

    m_deviceType = kPXR7X;
    m_tx.deviceType = m_deviceType;

    TComDataPacket& general = m_tx.ComDataPacket;
    general.IncludeStrings = false;
    general.setStartString(std::string());
    general.setStopString(std::string());
    general.setSize(0);

    m_simulationOn = false;
    DebugTrace = std::any_of(args.begin(), args.end(), isDebugSwitch);

    // Settings that cannot be read get their defaults; the user hears about
    // it once, when the window is shown.
    m_startup = m_store.loadAllWithDefaults(DocumentsFolder, toPortSettings(m_port.Port(), m_port.settings()));
    m_port.SetPort(m_startup.port.port);
    m_port.SetSettings(toLineSettings(m_startup.port));

    if (m_port.Port().empty()) {
        try {
            std::vector<std::string> ports = m_system ? m_system->listPorts() : std::vector<std::string>();
            std::sort(ports.begin(), ports.end());
            if (ports.empty())
                throw std::runtime_error("no serial port");
            m_port.SetPort(ports.front());
        } catch (const std::exception&) {
            m_view.setStatusText(2, " Registry error");
        }
    }

    ReadDeviceType();
    if (m_deviceType == kPXR501)
        m_port.SetBaudRate(115200);

    // "Simulation Setup" exists only while "Simulate Device" is ticked.
    m_view.setActionVisible("acSimulation", m_setup.simulate);
}

void MainController::FormShow()
{
    if (!m_startup.ok())
        m_view.showWarning(m_startup.message());
    acSettingsExecute();
    ArrangeForDeviceType();
    m_view.setNotebookTab(0);
}

void MainController::FormClose()
{
    try {
        m_port.Close();
    } catch (const std::exception&) {
    }
    m_transfer.reset();
    // Both hold references into the parameter sets.
    m_commands.reset();
    m_measurement.reset();
    // The dialog keeps its pointer to the signal-strength sequences; they
    // stay, closed, but are not run again once the sets are gone.
    m_simu->setTimerEnabled(false);
    if (m_signalLevel)
        m_signalLevel->Active = false;
    m_pxr7x.reset();
    m_pxr500c.reset();
    m_pxr501.reset();
}

// ---- model line and simulation ---------------------------------------------

void MainController::ReadDeviceType()
{
    int32_t type = 0;
    try {
        type = m_store.readDeviceType();
    } catch (const std::exception&) {
        type = 0; // already reported by the start-up read
    }
    // A hand-edited value outside the model lines has no arrangement.
    if (type < 0 || type >= kModelLines)
        type = 0;
    ApplyDeviceType(static_cast<DeviceType>(type));
}

void MainController::ApplyDeviceType(DeviceType line)
{
    if (line >= kModelLines || line == m_deviceType)
        return;
    m_deviceType = line;
    m_tx.deviceType = line;
    m_port.SetBaudRate(defaultBaudRate(line));
    ArrangeForDeviceType();
}

void MainController::ArrangeForDeviceType()
{
    const Arrangement* a = arrangementFor(m_deviceType);
    if (!a)
        return;

    if (ParameterSet* set = currentParameterSet())
        set->ClearAll();

    m_view.setOutput2Visible(false);
    Out1CenterState = Out1EndState = Out2CenterState = Out2EndState = false;

    m_view.setModelPages(m_deviceType);
    for (const ModelAction& m : modelDependentActions())
        m_view.setActionVisible(m.action, m.visible[m_deviceType]);

    ComDataPacket_mess.setComPort(&m_port);
    ComDataPacket_mess.IncludeStrings = false;
    ComDataPacket_mess.setStartString(a->framerStart);
    ComDataPacket_mess.setStopString(a->framerStop);
    ComDataPacket_mess.setSize(a->framerSize);

    m_historyNoCRLF = a->historyNoCRLF;
    m_history.setComPort(&m_port);
    m_history.NoCRLF = m_historyNoCRLF;

    m_view.setOutput2Visible(a->output2Visible);
    if (m_measurement)
        m_measurement->ArrangeForDeviceType();
    m_view.setupAnalogMeter(m_deviceType);

    std::string title = a->title;
    if (m_simulationOn)
        title += " Simulation";
    if (DebugTrace)
        title += " Debug";
    m_view.setTitle(title);
}

void MainController::SetSimulation(bool on)
{
    // Re-arranging clears the parameter editor; confirming the interface
    // setup without touching "Simulate Device" must not throw away the
    // user's edits, so only a real change re-arranges.
    const bool changed = on != m_simulationOn;
    m_simulationOn = on;
    m_liveRed = on;
    m_view.setLiveValueRed(on);
    if (on)
        m_view.setNotebookTab(0);
    if (changed)
        ArrangeForDeviceType();
    m_view.clearLiveValue();
    applySimulationEffects();
}

void MainController::applySimulationEffects()
{
    m_simu->setTimerEnabled(m_simulationOn);
    m_view.setTerminalPanelVisible(!m_simulationOn);
    refreshActionStates();
}

void MainController::refreshActionStates()
{
    const MeterConversation& talk = m_tx.conversation();
    const auto hardwareOnly = [](const char* action) {
        const auto& list = hardwareOnlyActions();
        return std::any_of(list.begin(), list.end(), [action](const char* a) { return std::strcmp(a, action) == 0; });
    };
    for (const MeterActionDef& a : meterActions()) {
        const bool stop = std::strcmp(a.action, "acStop") == 0;
        m_view.setActionEnabled(a.action, !(m_simulationOn && hardwareOnly(a.action)) && (stop || !talk.active()));
    }
    for (const BlockedActionDef& b : actionsBlockedWhileTalking())
        m_view.setActionEnabled(b.action, !(talk.active() && (!b.onlyWhileEditorLocked || talk.locksEditor())));
}

std::string MainController::lb_InputHint() const
{
    return m_liveRed ? "Simulate Device Values" : std::string();
}

// ---- command-line choices --------------------------------------------------

void MainController::usePort(const std::string& name)
{
    if (!name.empty())
        m_port.SetPort(name);
}

void MainController::preselectModelLine(DeviceType line)
{
    if (line >= kModelLines)
        return;
    if (line != m_deviceType)
        ApplyDeviceType(line);
    else
        m_port.SetBaudRate(defaultBaudRate(line));
}

// ---- actions ---------------------------------------------------------------

void MainController::setHandler(const std::string& action, std::function<void()> handler)
{
    if (handler)
        m_handlers[action] = std::move(handler);
    else
        m_handlers.erase(action);
}

bool MainController::refusedWhileTalking(const std::string& action) const
{
    const MeterConversation& talk = m_tx.conversation();
    if (!talk.active())
        return false;
    if (findMeterAction(action))
        return true;
    for (const BlockedActionDef& b : actionsBlockedWhileTalking())
        if (action == b.action)
            return !b.onlyWhileEditorLocked || talk.locksEditor();
    return false;
}

void MainController::execute(const std::string& action)
{
    MeterConversation& talk = m_tx.conversation();
    if (refusedWhileTalking(action)) {
        // Its entries are disabled meanwhile; a key or a timer that gets
        // here all the same must not start a second conversation inside
        // the first one's wait. STOP is the exception: it must never be
        // out of reach, and it cannot go out in the middle of an exchange,
        // so it ends the running operation first.
        if (action == "acStop" && m_conversationAction != action && !m_stopAfterConversation) {
            m_stopAfterConversation = true;
            talk.requestCancel();
        }
        return;
    }
    const MeterActionDef* meter = findMeterAction(action);
    const auto it = m_handlers.find(action);
    if (it != m_handlers.end()) {
        // A copy: the handler waits in nested loops, where handlers may change.
        const std::function<void()> handler = it->second;
        struct Conversation {
            MeterConversation& talk;
            bool on;
            std::string& action;
            ~Conversation()
            {
                if (!on)
                    return;
                action.clear();
                talk.end();
            }
        } conversation{talk, false, m_conversationAction};
        if (meter) {
            const ActionDef* def = findAction(action);
            conversation.on = talk.begin(def ? withoutMnemonic(def->caption) : action, meter->locksEditor);
            m_conversationAction = action;
        }
        try {
            handler();
        } catch (const OperationCancelled&) {
            m_view.setStatusText(2, talk.cancelledText());
        } catch (const std::exception& e) {
            m_view.showError(e.what());
        }
    }
    if (focusesTerminalAfter(action, m_deviceType))
        m_view.focusTerminalIfShown();
    if (meter && !talk.active())
        afterConversation();
}

void MainController::afterConversation()
{
    if (m_stopAfterConversation) {
        m_stopAfterConversation = false;
        // The ESC clears panel 2; what the cancelled operation said stays.
        const std::string said = m_view.statusText(2);
        execute("acStop");
        if (m_view.statusText(2).empty())
            m_view.setStatusText(2, said);
    }
    if (m_exitAfterConversation) {
        m_exitAfterConversation = false;
        acExitExecute();
    }
}

void MainController::cancelConversation() { m_tx.conversation().requestCancel(); }

bool MainController::closeAllowed()
{
    if (!m_tx.conversation().active())
        return true;
    // Closing now would free the parameter sets and the operations while
    // the running one still waits on them.
    m_exitAfterConversation = true;
    m_tx.conversation().requestCancel();
    return false;
}

void MainController::conversationChanged()
{
    const MeterConversation& talk = m_tx.conversation();
    if (talk.active() != m_talking) {
        m_talking = talk.active();
        refreshActionStates();
    }
    m_view.showConversation(talk);
}

void MainController::acSettingsExecute()
{
    // Refreshed at every showing, so that an adapter plugged in after the
    // start (or back in under a new name) can be picked without restarting.
    try {
        if (m_system)
            m_setup.setSystemPorts(m_system->listPorts());
    } catch (const std::exception&) {
    }
    m_setup.FormShow(m_deviceType, m_port.Port(), m_port.BaudRate());
    if (m_view.execInterfaceSetup(m_setup)) {
        // A failing step skips the remaining ones; the closing steps still run.
        try {
            OKButtonClick();
        } catch (const std::exception& e) {
            m_view.showError(e.what());
        }
    }
    closingSteps();
}

void MainController::OKButtonClick()
{
    m_port.SetPort(m_setup.portName);
    m_port.SetBaudRate(ComSetupModel::rateFromText(m_setup.baudText()));
    const uint32_t found = m_setup.foundRate();
    if (m_setup.deviceIndex >= 0 && m_setup.deviceIndex != m_deviceType)
        ApplyDeviceType(static_cast<DeviceType>(m_setup.deviceIndex));
    // The finder's rate is the meter's own; the line's usual one would lose it.
    if (found != 0)
        m_port.SetBaudRate(found);
    m_store.storePortSettings(toPortSettings(m_port.Port(), m_port.settings()));
    m_store.writeDeviceType(m_deviceType);
    SetSimulation(m_setup.simulate);
    m_view.setActionVisible("acSimulation", m_setup.simulate);
    if (m_setup.readoutNow)
        m_timerAutoGet->start(kAutoGetMs);
    else
        m_timerAutoGet->stop();
}

MainController::FindOutcome MainController::FindMeter(ComSetupModel& setup,
                                                      std::function<void(const MeterFinder::Progress&)> progress)
{
    FindOutcome out;
    if (m_finder || !m_system)
        return out;
    std::vector<std::string> ports;
    if (!setup.portName.empty())
        ports.push_back(setup.portName);
    for (const std::string& p : setup.portItems())
        if (std::find(ports.begin(), ports.end(), p) == ports.end())
            ports.push_back(p);
    if (ports.empty()) {
        out.message = "No port to search";
        return out;
    }
    // The search talks to meters: one conversation, like every such action.
    MeterConversation& talk = m_tx.conversation();
    if (!talk.begin("Find Meter", false)) {
        out.message = "Busy: " + talk.operation();
        return out;
    }
    // The device may be the one the program has open; the closing steps of
    // the dialog open the port again, with what the user confirms.
    m_port.Close();
    const std::unique_ptr<ComPortBackend> backend = m_system->createPortBackend();
    TComPort port(*backend);
    MeterFinder finder(port, m_loop);
    finder.OnProgress = [&](const MeterFinder::Progress& p) {
        if (talk.cancelRequested())
            finder.cancel(); // e.g. the window is being closed
        talk.setPhase("Find Meter", static_cast<int>(p.total));
        talk.setStep(MeterFinder::progressText(p), static_cast<int>(p.done));
        if (progress)
            progress(p);
    };
    m_finder = &finder;
    struct Done {
        MeterFinder*& f;
        MeterConversation& talk;
        ~Done()
        {
            f = nullptr;
            talk.end();
        }
    } done{m_finder, talk};
    const uint32_t selected = ComSetupModel::rateFromText(setup.baudText());
    const std::vector<FoundMeter> found = finder.find(ports, {selected, 9600, 115200}, true);
    if (!found.empty()) {
        const FoundMeter& m = found.front();
        setup.applyFound(m.line, m.port, m.baud);
        out.found = true;
        out.meter = m;
        out.message = format("Found %s on %s", ComSetupModel::deviceItems()[m.line].c_str(), m.port.c_str());
        if (m.baud != 0)
            out.message += format(" at %u baud", static_cast<unsigned>(m.baud));
        out.message += ": " + m.identification;
        return out;
    }
    out.message = finder.cancelled() ? "Search cancelled" : "No meter answered on any port at any rate";
    for (const std::string& problem : finder.problems())
        out.message += "\n" + problem;
    return out;
}

void MainController::CancelFindMeter()
{
    if (m_finder)
        m_finder->cancel();
}


void MainController::closingSteps()
{
    m_view.setStatusText(0, m_port.SettingsText());
    try {
        if (m_simulationOn && m_port.Connected())
            m_port.Close();
        else if (!m_simulationOn && !m_port.Connected())
            m_port.Open();
        m_view.setStatusText(2, std::string());
    } catch (const std::exception& e) {
        m_view.setStatusText(2, std::string(" ") + e.what());
    }
}

void MainController::portLost(const std::string& osMessage)
{
    const std::string text = portLostText(m_port.Port(), osMessage);
    trace(text);
    m_view.setStatusText(2, text);
}

void MainController::acExitExecute()
{
    if (!closeAllowed())
        return;
    m_port.Close();
    m_view.setActionChecked("acStartStopLog", false);
    m_view.closeWindow();
}

void MainController::acDeviceExecute() { m_tx.DeviceInfo(); }

void MainController::showPassingStatus(const std::string& text)
{
    m_view.setStatusText(2, text);
    m_timerStatusbar->start(kStatusbarMs);
}

void MainController::Timer_StatusbarTimer()
{
    m_timerStatusbar->stop();
    m_view.setStatusText(2, std::string());
}

void MainController::Timer_AutoGetTimer()
{
    // One readout per confirmation of the interface setup. When the port
    // could not be opened, panel 2 tells why; a readout would only replace
    // that with " Interface not open".
    m_timerAutoGet->stop();
    if (!m_simulationOn && !m_port.Connected())
        return;
    // The readout the user asked for in the interface setup waits until
    // the meter is free again.
    if (m_tx.conversation().active()) {
        m_timerAutoGet->start(kAutoGetMs);
        return;
    }
    execute("acGetParameter");
}

// ---- parameter sets --------------------------------------------------------

ParameterSet* MainController::currentParameterSet()
{
    switch (m_deviceType) {
    case kPXR7X: return m_pxr7x.get();
    case kPXR500C: return m_pxr500c.get();
    case kPXR501: return m_pxr501.get();
    default: return nullptr;
    }
}

void MainController::setFieldBinding(FieldBinding* binding)
{
    if (m_pxr7x)
        m_pxr7x->setBinding(binding);
    if (m_pxr500c)
        m_pxr500c->setBinding(binding);
    if (m_pxr501)
        m_pxr501->setBinding(binding);
}

// ---- simulated device and signal strength -----------------------------------

std::string MainController::simuParameter(DeviceType line, const std::string& code, int index) const
{
    const ParameterSet* set = line == kPXR7X     ? static_cast<const ParameterSet*>(m_pxr7x.get())
                              : line == kPXR500C ? static_cast<const ParameterSet*>(m_pxr500c.get())
                                                 : static_cast<const ParameterSet*>(m_pxr501.get());
    return set && index >= 0 ? set->value(code, static_cast<std::size_t>(index)) : std::string();
}

bool MainController::signalDialogOpen() const
{
    return m_signalLevel && m_signalLevel->Active;
}

// A simulated line takes the road of a line the measurement framer cut.
void MainController::deliverSimulatedLine(const std::string& line)
{
    // It never passes the port: the traffic history gets it here.
    m_history.addSimulatedLine(TrimTrailingControls(line));
    if (m_measurement)
        m_measurement->simulatedLine(line);
}

void MainController::setSimuTimer(bool on) { m_simu->setTimerEnabled(on); }

void MainController::setSimuMode(int mode) { m_simu->SetSimuMode(static_cast<uint8_t>(mode)); }

// The simulated device's part in Set Parameter and Set Standard.
void MainController::recomputeSimuInterval() { m_simu->ComputeSimuInterval(); }

char MainController::decimalSeparator() const { return m_system ? m_system->decimalSeparator() : '.'; }

void MainController::installSimulation()
{
    SimuHost& host = *this;
    m_simu = std::make_unique<SimuDevice>(*m_simuTimer, m_simuSetup, host);

    setHandler("acDJ", [this] {
        if (m_signalLevel && m_pxr501)
            m_signalLevel->acDJExecute();
    });
    setHandler("acSd", [this] {
        if (m_signalLevel && m_pxr501)
            m_signalLevel->acSdExecute();
    });
}

} // namespace pxr
