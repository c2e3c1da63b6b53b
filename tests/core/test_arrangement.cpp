// Start-up, model-line switching, simulation switch, interface setup and a
// lost port, driven through the main controller in virtual time.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/InterfaceSetup.h"
#include "app/KeyValueBackend.h"
#include "app/MainController.h"
#include "app/MainView.h"
#include "base/Trace.h"
#include "support/ControllerRig.h"
#include "support/EmulatorPeer.h"
#include "support/ScriptedPeer.h"

using namespace pxr;
using namespace pxr::test;

namespace {

struct MainFixture : ::testing::Test, ControllerRig {
    ScriptedPeer peer;

    MainFixture() { system.ports = {"/dev/ttyS1", "/dev/ttyS0"}; }
    void SetUp() override { backend.attachPeer(&peer); }
    void TearDown() override
    {
        ctl.reset();
        DebugTrace = false;
        setTraceSink(nullptr);
    }

    // The interface setup with the user's doing; returns OK.
    void setup(std::function<void(ComSetupModel&)> user)
    {
        view.dialog = [user](ComSetupModel& m) {
            user(m);
            return true;
        };
        ctl->acSettingsExecute();
        view.dialog = nullptr;
    }
    void cancelSetup()
    {
        view.dialog = nullptr;
        ctl->acSettingsExecute();
    }
    int32_t storedType() { return SettingsStore(store).readDeviceType(); }
};

// ---- arrangement per model line ------------------------------------------------

struct ArrangementCase {
    int line;
    const char* title;
    std::map<std::string, bool> visibility; // the model-dependent commands
    std::string framerStart;
    std::string framerStop;
    int framerSize;
    bool noCRLF;
    bool output2;
    std::string streamed;                 // what the meter sends
    std::vector<std::string> packets;     // the lines the decoding reads
};

// The model-dependent commands; each line shows some of them and hides the rest.
const char* const kModelDependent[] = {"acDS", "acDJ", "acSd", "acDW", "acDX", "acDM",
                                       "acVM", "acVT", "acLF", "acSO", "acSetProfibus", "acBaudrate"};

std::map<std::string, bool> showsOnly(const std::vector<std::string>& shown)
{
    std::map<std::string, bool> visibility;
    for (const char* action : kModelDependent)
        visibility[action] = std::find(shown.begin(), shown.end(), action) != shown.end();
    for (const std::string& action : shown)
        if (!visibility.count(action))
            throw std::logic_error(action + " is not a model-dependent command");
    return visibility;
}

const ArrangementCase kArrangementCases[] = {
    {0,
     "PXRTool (PXR7X)",
     showsOnly({"acDS", "acDW", "acDX", "acDM", "acLF", "acSO", "acSetProfibus", "acBaudrate"}),
     "", "\r\n", 0, false, false,
     "12.345\r\n12.346\r\n", {"12.345", "12.346"}},
    {1,
     "PXRTool (PXR500C)",
     showsOnly({"acDJ"}),
     " ", "", 8, true, false,
     " 0012345 0012346", {"0012345", "0012346"}},
    {2,
     "PXRTool (PXR501/PXR502)",
     showsOnly({"acSd", "acDM", "acVM", "acVT", "acSO", "acBaudrate"}),
     "", "\r\n", 0, false, true,
     "D 12.345\r\n", {"D 12.345"}},
};

class Arrangements : public MainFixture, public ::testing::WithParamInterface<ArrangementCase> {};

TEST_P(Arrangements, WindowFramerAndHistoryFollowTheModelLine)
{
    const ArrangementCase& c = GetParam();
    storePort();
    storeText("Device", "Type", std::to_string(c.line));
    start();

    EXPECT_EQ(view.title, c.title);
    EXPECT_EQ(view.pages, c.line);
    EXPECT_EQ(view.tab, 0);
    for (const auto& [action, shown] : c.visibility)
        EXPECT_EQ(view.isVisible(action), shown) << action;
    for (const char* always : {"acDT", "acDF", "acTP", "acID", "acStop", "acGetParameter",
                               "acSetParameter", "acSetStandard", "acDevice", "acSettings"})
        EXPECT_TRUE(view.isVisible(always)) << always;
    EXPECT_EQ(view.output2, c.output2);
    EXPECT_EQ(ctl->historyNoCRLF(), c.noCRLF);
    EXPECT_EQ(ctl->portHistory().NoCRLF, c.noCRLF);
    EXPECT_EQ(ctl->portHistory().comPort(), &port);
    ASSERT_FALSE(view.meterSetups.empty());
    EXPECT_EQ(view.meterSetups.back(), c.line);

    TComDataPacket& mess = ctl->ComDataPacket_mess;
    EXPECT_FALSE(mess.IncludeStrings);
    EXPECT_EQ(mess.startString(), c.framerStart);
    EXPECT_EQ(mess.stopString(), c.framerStop);
    EXPECT_EQ(mess.size(), c.framerSize);
    EXPECT_EQ(mess.comPort(), &port);

    ASSERT_TRUE(port.Connected());
    backend.inject(c.streamed);
    loop.waitFor(100);
    EXPECT_EQ(decoded.lines, c.packets);
}

INSTANTIATE_TEST_SUITE_P(ModelLines, Arrangements, ::testing::ValuesIn(kArrangementCases),
                         [](const auto& info) { return "Line" + std::to_string(info.param.line); });

TEST_F(MainFixture, SwitchingFromPXR501BackToPXR7XHidesOutput2)
{
    storePort();
    storeText("Device", "Type", "2");
    start();
    ASSERT_TRUE(view.output2);
    setup([](ComSetupModel& m) { m.cb_deviceChange(0); });
    EXPECT_FALSE(view.output2);
    EXPECT_EQ(view.title, "PXRTool (PXR7X)");
    EXPECT_FALSE(view.isVisible("acSd"));
    EXPECT_TRUE(view.isVisible("acDS"));
    EXPECT_EQ(storedType(), 0);
}

TEST_F(MainFixture, SwitchingClearsTheNewLinesParameterSet)
{
    storePort();
    start();
    ctl->PXR500C()->setValue("SA", 0, "25");
    setup([](ComSetupModel& m) { m.cb_deviceChange(1); });
    EXPECT_EQ(ctl->PXR500C()->value("SA"), "");
}

TEST_F(MainFixture, ArrangementResetsTheSwitchingOutputs)
{
    storePort();
    start();
    ctl->Out1CenterState = ctl->Out1EndState = ctl->Out2CenterState = ctl->Out2EndState = true;
    ctl->ArrangeForDeviceType();
    EXPECT_FALSE(ctl->Out1CenterState || ctl->Out1EndState || ctl->Out2CenterState || ctl->Out2EndState);
}

// ---- start with a stored model line ----------------------------------------------

struct StartCase {
    const char* storedType; // nullptr: none stored
    const char* storedBaud;
    uint32_t baud;
    int arrangedByCreate; // titles set before FormShow
};

const StartCase kStartCases[] = {
    {nullptr, nullptr, 9600, 0},
    {"0", "19200", 19200, 0}, // no change: the stored rate stays
    {"1", "19200", 9600, 1},  // forced
    {"2", "19200", 115200, 1},
    {"2", "9600", 115200, 1},
};

class StartRates : public MainFixture, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartRates, BaudRateAfterStart)
{
    const StartCase& c = GetParam();
    storeText("ComPort", "Port", "/dev/ttyPXR");
    if (c.storedBaud)
        storeText("ComPort", "BaudRate", c.storedBaud);
    if (c.storedType)
        storeText("Device", "Type", c.storedType);
    create();
    EXPECT_EQ(port.BaudRate(), c.baud);
    EXPECT_EQ(static_cast<int>(view.titles.size()), c.arrangedByCreate);
    ctl->FormShow();
    ASSERT_TRUE(port.Connected());
    EXPECT_EQ(backend.baudRate(), c.baud);
    EXPECT_EQ(view.panels[0], " /dev/ttyPXR:" + std::to_string(c.baud) + ",8,None,1,None");
    // The interface setup showed the rate that was in force.
    EXPECT_EQ(view.shown.baudText(), std::to_string(c.baud));
}

INSTANTIATE_TEST_SUITE_P(StoredTypes, StartRates, ::testing::ValuesIn(kStartCases));

TEST_F(MainFixture, ModelLineOutsideTheListStartsAsPXR7XWithOneWarning)
{
    storePort();
    storeText("Device", "Type", "7");
    start();
    EXPECT_EQ(ctl->deviceType(), kPXR7X);
    EXPECT_EQ(view.title, "PXRTool (PXR7X)");
    EXPECT_EQ(view.warnings.size(), 1u);
}

TEST_F(MainFixture, DamagedStoreGivesDefaultsAndOneWarning)
{
    store.setDamage("The settings file is damaged");
    start();
    ASSERT_EQ(view.warnings.size(), 1u);
    EXPECT_NE(view.warnings[0].find("The settings file is damaged"), std::string::npos);
    EXPECT_EQ(port.BaudRate(), 9600u);
    EXPECT_EQ(ctl->deviceType(), kPXR7X);
}

TEST_F(MainFixture, SoundStoreGivesNoWarning)
{
    storePort();
    start();
    EXPECT_TRUE(view.warnings.empty());
}

// ---- port name at start ---------------------------------------------------------

TEST_F(MainFixture, WithoutStoredPortTheFirstSystemPortIsTaken)
{
    create();
    EXPECT_EQ(port.Port(), "/dev/ttyS0");
    EXPECT_EQ(view.panels[2], "");
}

TEST_F(MainFixture, WithoutStoredPortAndNoSystemPortPanel2SaysRegistryError)
{
    system.ports.clear();
    create();
    EXPECT_EQ(port.Port(), "");
    EXPECT_EQ(view.panels[2], " Registry error");
}

TEST_F(MainFixture, FailingPortListIsARegistryErrorToo)
{
    system.listFails = true;
    create();
    EXPECT_EQ(view.panels[2], " Registry error");
}

TEST_F(MainFixture, StoredPortIsKeptEvenIfTheSystemDoesNotListIt)
{
    storePort("/dev/serial/by-id/usb-FTDI-if00-port0");
    start();
    EXPECT_EQ(port.Port(), "/dev/serial/by-id/usb-FTDI-if00-port0");
    EXPECT_EQ(view.shown.portName, "/dev/serial/by-id/usb-FTDI-if00-port0");
    const auto& items = view.shown.portItems();
    EXPECT_NE(std::find(items.begin(), items.end(), "/dev/serial/by-id/usb-FTDI-if00-port0"), items.end());
}

// ---- debug switch and title suffixes ----------------------------------------------

struct DebugCase {
    std::vector<std::string> args;
    bool debug;
};

class DebugSwitch : public MainFixture, public ::testing::WithParamInterface<DebugCase> {};

TEST_P(DebugSwitch, AnyCaseOfDebugAppendsDebugToTheTitle)
{
    storePort();
    start(GetParam().args);
    EXPECT_EQ(DebugTrace, GetParam().debug);
    EXPECT_EQ(view.title, GetParam().debug ? "PXRTool (PXR7X) Debug" : "PXRTool (PXR7X)");
}

INSTANTIATE_TEST_SUITE_P(Words, DebugSwitch,
                         ::testing::Values(DebugCase{{"debug"}, true}, DebugCase{{"DEBUG"}, true},
                                           DebugCase{{"dEbUg"}, true},
                                           DebugCase{{"--port", "/dev/x", "Debug"}, true},
                                           DebugCase{{"debugx"}, false}, DebugCase{{"-debug"}, false},
                                           DebugCase{{}, false}));

TEST_F(MainFixture, SimulationComesBeforeDebugInTheTitle)
{
    storePort();
    start({"DEBUG"});
    setup([](ComSetupModel& m) {
        m.simulate = true;
        m.simulateToggled();
    });
    EXPECT_EQ(view.title, "PXRTool (PXR7X) Simulation Debug");
}

// ---- interface setup -----------------------------------------------------------

TEST_F(MainFixture, CancelAtFirstStartStillOpensThePort)
{
    storePort("/dev/ttyPXR", "19200");
    const size_t valuesBefore = store.size();
    start();
    EXPECT_EQ(view.dialogShows, 1);
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(backend.openCount, 1);
    EXPECT_EQ(backend.name(), "/dev/ttyPXR");
    EXPECT_EQ(backend.baudRate(), 19200u);
    EXPECT_EQ(view.panels[0], " /dev/ttyPXR:19200,8,None,1,None");
    EXPECT_EQ(view.panels[2], "");
    EXPECT_EQ(store.size(), valuesBefore); // Cancel writes nothing
}

TEST_F(MainFixture, SameModelLineChangesNothingOnTheWindow)
{
    storePort();
    start();
    ctl->PXR7x()->SetSA("25");
    const auto titles = view.titles.size();
    const int pageCalls = view.pageCalls;
    const auto visibility = view.visible;
    setup([](ComSetupModel&) {});
    EXPECT_EQ(view.titles.size(), titles);
    EXPECT_EQ(view.pageCalls, pageCalls);
    EXPECT_EQ(view.visible, visibility);
    EXPECT_EQ(ctl->PXR7x()->GetSA(), "25"); // the editor keeps the user's values
    EXPECT_EQ(backend.openCount, 1);        // not reopened
}

TEST_F(MainFixture, PXR501LineOverridesTheChosenRateOnOK)
{
    storePort();
    start();
    setup([](ComSetupModel& m) {
        m.cb_deviceChange(2);
        EXPECT_EQ(m.baudText(), "115200");
        m.selectBaudText("9600"); // the user picks another rate afterwards
    });
    EXPECT_EQ(ctl->deviceType(), kPXR501);
    EXPECT_EQ(port.BaudRate(), 115200u);
    EXPECT_EQ(backend.baudRate(), 115200u);
    EXPECT_EQ(view.panels[0], " /dev/ttyPXR:115200,8,None,1,None");
    EXPECT_EQ(storedType(), 2);
    EXPECT_EQ(SettingsStore(store).loadPortSettings().baudRate, 115200u);
}

TEST_F(MainFixture, FoundMetersRateSurvivesTheModelLinesUsualRateOnOK)
{
    // A PXR502 at 38400 on a port the window (PXR7X, 9600) had open.
    MeterConfig cfg;
    cfg.model = MeterModel::PXR502;
    cfg.baudRate = 38400;
    cfg.faults.wrongBaud = true;
    EmulatorPeer meter(cfg);
    meter.meter.powerOn(loop.nowMs());
    ctl.reset();
    storePort();
    create();
    system.finderPeer = &meter;
    ctl->FormShow();
    ASSERT_TRUE(port.Connected());
    MainController::FindOutcome outcome;
    std::vector<size_t> progress;
    std::string talking;
    setup([&](ComSetupModel& m) {
        outcome = ctl->FindMeter(m, [&](const MeterFinder::Progress& p) {
            progress.push_back(p.done);
            // The search is the one conversation with a meter meanwhile.
            talking = ctl->transactions().conversation().operation();
        });
        // The program's own port was closed for the search.
        EXPECT_FALSE(port.Connected());
    });
    ASSERT_TRUE(outcome.found) << outcome.message;
    EXPECT_EQ(outcome.message.rfind("Found PXR501/502 on /dev/ttyPXR at 38400 baud: streaming", 0), 0u)
        << outcome.message;
    EXPECT_FALSE(progress.empty());
    EXPECT_EQ(talking, "Find Meter");
    EXPECT_FALSE(ctl->transactions().conversation().active());
    EXPECT_EQ(ctl->deviceType(), kPXR501);
    EXPECT_EQ(port.BaudRate(), 38400u); // not PXR501/502's usual 115200
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(SettingsStore(store).loadPortSettings().baudRate, 38400u);
    EXPECT_FALSE(ctl->findingMeter());

    // Picking a model line after the search: the usual rule again.
    ComSetupModel m;
    m.applyFound(kPXR501, "/dev/ttyX", 38400);
    EXPECT_EQ(m.foundRate(), 38400u);
    m.cb_deviceChange(0);
    EXPECT_EQ(m.foundRate(), 0u);
}

TEST_F(MainFixture, FindMeterWithoutAnyMeterSaysSoAndTheClosingStepsReopen)
{
    storePort();
    start();
    ScriptedPeer silent;
    system.finderPeer = &silent;
    MainController::FindOutcome outcome;
    view.dialog = [&](ComSetupModel& m) {
        outcome = ctl->FindMeter(m, nullptr);
        return false; // Cancel
    };
    ctl->acSettingsExecute();
    EXPECT_FALSE(outcome.found);
    EXPECT_EQ(outcome.message, "No meter answered on any port at any rate");
    EXPECT_TRUE(port.Connected());
    // While another operation talks to the meter, the search does not start.
    ASSERT_TRUE(ctl->transactions().conversation().begin("Get Parameter", true));
    ComSetupModel busy;
    busy.portName = "/dev/ttyPXR";
    EXPECT_EQ(ctl->FindMeter(busy, nullptr).message, "Busy: Get Parameter");
    EXPECT_TRUE(port.Connected());
    ctl->transactions().conversation().end();
    EXPECT_EQ(port.BaudRate(), 9600u);
}

TEST_F(MainFixture, SameLineAndAnotherRateAppliesTheRateToTheOpenPort)
{
    storePort();
    start();
    setup([](ComSetupModel& m) { m.selectBaudText("38400"); });
    EXPECT_EQ(backend.baudRate(), 38400u);
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(backend.openCount, 1);
    EXPECT_EQ(SettingsStore(store).loadPortSettings().baudRate, 38400u);
}

TEST_F(MainFixture, StoredRateOutsideTheListShowsNoSelectionAndOKGives9600)
{
    storePort("/dev/ttyPXR", "1200");
    create();
    ASSERT_EQ(port.BaudRate(), 1200u);
    view.dialog = [](ComSetupModel& m) {
        EXPECT_EQ(m.baudIndex, -1);
        EXPECT_EQ(m.baudText(), "");
        return true;
    };
    ctl->FormShow();
    EXPECT_EQ(port.BaudRate(), 9600u);
    EXPECT_EQ(backend.baudRate(), 9600u);
}

TEST_F(MainFixture, ANewPortNameReopensTheOpenPort)
{
    storePort();
    start();
    setup([](ComSetupModel& m) { m.portName = "/tmp/pxr-demo"; });
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(backend.name(), "/tmp/pxr-demo");
    EXPECT_EQ(backend.openCount, 2);
    EXPECT_EQ(SettingsStore(store).loadPortSettings().port, "/tmp/pxr-demo");
}

TEST_F(MainFixture, FailingReopenSkipsTheRemainingOKStepsButTheClosingStepsRun)
{
    storePort();
    start();
    backend.failOpen = true;
    setup([](ComSetupModel& m) {
        m.portName = "/dev/gone";
        m.cb_deviceChange(2);
        m.readoutNow = true;
    });
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0].rfind("Unable to open com port", 0), 0u) << view.errors[0];
    EXPECT_EQ(ctl->deviceType(), kPXR7X);           // step 3 skipped
    EXPECT_FALSE(ctl->Timer_AutoGet().isActive()); // step 6 skipped
    EXPECT_FALSE(store.exists("Device", "Type"));  // step 4 skipped
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(view.panels[0], " /dev/gone:9600,8,None,1,None");
    EXPECT_EQ(view.panels[2].rfind(" Unable to open com port", 0), 0u) << view.panels[2];
}

TEST_F(MainFixture, FailingStoreEndsTheOKStepsWithTheErrorBox)
{
    storePort();
    start();
    store.failWrites(true);
    setup([](ComSetupModel& m) {
        m.simulate = true;
        m.simulateToggled();
    });
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0], "Failed to store settings");
    EXPECT_FALSE(ctl->simulationOn());
    EXPECT_TRUE(port.Connected());
}

TEST_F(MainFixture, OpenFailureShowsTheMessageInPanel2AndThePortStaysClosed)
{
    storePort();
    backend.failOpen = true;
    start();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(view.panels[2].rfind(" Unable to open com port", 0), 0u) << view.panels[2];
    EXPECT_TRUE(view.errors.empty());
}

TEST_F(MainFixture, ReadoutBoxStartsOneAutomaticReadout)
{
    storePort();
    start();
    int readouts = 0;
    ctl->setHandler("acGetParameter", [&] { ++readouts; });
    setup([](ComSetupModel& m) { m.readoutNow = true; });
    EXPECT_TRUE(ctl->Timer_AutoGet().isActive());
    loop.waitFor(299);
    EXPECT_EQ(readouts, 0);
    loop.waitFor(1);
    EXPECT_EQ(readouts, 1);
    loop.waitFor(2000);
    EXPECT_EQ(readouts, 1);
    setup([](ComSetupModel& m) { m.readoutNow = false; });
    EXPECT_FALSE(ctl->Timer_AutoGet().isActive());
}

// ---- simulation ------------------------------------------------------------------

const char* const kHardwareOnly[] = {"acDF", "acTP", "acID", "acDM", "acVM",
                                     "acVT", "acSO", "acLF", "acBaudrate", "acDevice"};

// What the window and the controller show of simulation on or off (on PXR7X).
void expectSimulation(MainFixture& f, bool on)
{
    EXPECT_EQ(f.ctl->simulationOn(), on);
    EXPECT_EQ(f.port.Connected(), !on);
    EXPECT_EQ(f.view.terminalPanel, !on);
    EXPECT_EQ(f.view.title, on ? "PXRTool (PXR7X) Simulation" : "PXRTool (PXR7X)");
    EXPECT_EQ(f.view.isVisible("acSimulation"), on);
    EXPECT_EQ(f.ctl->SimuTimer().isActive(), on);
    EXPECT_EQ(f.view.red, on);
    EXPECT_EQ(f.ctl->lb_InputHint(), on ? "Simulate Device Values" : "");
    for (const char* a : kHardwareOnly)
        EXPECT_EQ(f.view.isEnabled(a), !on) << a;
}

TEST_F(MainFixture, SimulationSetupIsHiddenUntilSimulateDeviceIsTicked)
{
    storePort();
    start();
    EXPECT_FALSE(view.isVisible("acSimulation"));
}

TEST_F(MainFixture, SimulateDeviceTicksTheReadoutBoxAndSwitchesToSimulation)
{
    storePort();
    start();
    ASSERT_TRUE(port.Connected());
    view.tab = 2;
    setup([](ComSetupModel& m) {
        EXPECT_FALSE(m.readoutNow);
        m.simulate = true;
        m.simulateToggled();
        EXPECT_TRUE(m.readoutNow);
    });
    expectSimulation(*this, true);
    EXPECT_TRUE(ctl->Timer_AutoGet().isActive());
    EXPECT_EQ(view.tab, 0);
    for (const char* a : {"acDT", "acStop", "acGetParameter", "acSettings", "acDS", "acDW"})
        EXPECT_TRUE(view.isEnabled(a)) << a;
    EXPECT_EQ(view.panels[0], " /dev/ttyPXR:9600,8,None,1,None");
}

TEST_F(MainFixture, UntickingSimulateDeviceLeavesTheReadoutBoxAndRestoresTheDevice)
{
    storePort();
    start();
    setup([](ComSetupModel& m) {
        m.simulate = true;
        m.simulateToggled();
    });
    const int clears = view.liveClears;
    setup([](ComSetupModel& m) {
        m.simulate = false;
        m.simulateToggled();
        EXPECT_TRUE(m.readoutNow);
    });
    expectSimulation(*this, false);
    EXPECT_GT(view.liveClears, clears);
}

TEST_F(MainFixture, SimulationAtFirstStartLeavesThePortClosed)
{
    storePort();
    create();
    view.dialog = [](ComSetupModel& m) {
        m.simulate = true;
        m.simulateToggled();
        return true;
    };
    ctl->FormShow();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(backend.openCount, 0);
    EXPECT_EQ(view.title, "PXRTool (PXR7X) Simulation");
}

// ---- lost port -------------------------------------------------------------------

TEST_F(MainFixture, LostPortIsClosedOnceWithOneMessageAndReconnects)
{
    storePort();
    start();
    ASSERT_TRUE(port.Connected());
    backend.hangUp();
    EXPECT_FALSE(port.Connected());
    const std::string lost = " Port lost: /dev/ttyPXR: the device was disconnected or stopped answering";
    EXPECT_EQ(view.panels[2], lost);
    backend.hangUp(); // the backend repeating itself changes nothing
    EXPECT_EQ(std::count(view.panel2Log.begin(), view.panel2Log.end(), lost), 1);
    EXPECT_TRUE(view.errors.empty());

    // Commands on the lost port quietly do nothing.
    backend.clearWritten();
    ctl->execute("acDevice");
    EXPECT_EQ(backend.writtenBytes(), "");
    EXPECT_TRUE(view.errors.empty());

    cancelSetup();
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(backend.openCount, 2);
    EXPECT_EQ(view.panels[2], "");
}

TEST(LostPortText, KeepsTheSystemTextOnlyWhereItExplains)
{
    const std::string lost = " Port lost: /dev/ttyUSB0: the device was disconnected or stopped answering";
    for (const int code : {EAGAIN, ENOENT, EIO, ENXIO, ENODEV, ENOTTY})
        EXPECT_EQ(portLostText("/dev/ttyUSB0", std::strerror(code)), lost) << std::strerror(code);
    EXPECT_EQ(portLostText("/dev/ttyUSB0", ""), lost);
    EXPECT_EQ(portLostText("/dev/ttyUSB0", "Unknown error"), lost);
    for (const int code : {EACCES, EBUSY, ENOMEM})
        EXPECT_EQ(portLostText("/dev/ttyUSB0", std::strerror(code)), lost + " (" + std::strerror(code) + ")");
    EXPECT_EQ(portLostText("COM3", "The semaphore timeout period has expired."),
              " Port lost: COM3: the device was disconnected or stopped answering"
              " (The semaphore timeout period has expired.)");
}

// ---- commands ----------------------------------------------------------------------

struct DeviceInfoCase {
    int line;
    std::vector<std::string> written;
};

class DeviceInfo : public MainFixture, public ::testing::WithParamInterface<DeviceInfoCase> {};

TEST_P(DeviceInfo, AsksTheMeterInTheLinesWay)
{
    storePort();
    storeText("Device", "Type", std::to_string(GetParam().line));
    start();
    backend.clearWritten();
    const int focus = view.focusCalls;
    ctl->execute("acDevice");
    std::vector<std::string> written;
    for (const auto& w : backend.written())
        written.push_back(w.bytes);
    EXPECT_EQ(written, GetParam().written);
    EXPECT_GT(view.focusCalls, focus);
    EXPECT_EQ(view.busy, 0);
}

INSTANTIATE_TEST_SUITE_P(ModelLines, DeviceInfo,
                         ::testing::Values(DeviceInfoCase{0, {"ID\r"}}, DeviceInfoCase{1, {"ID\r"}},
                                           DeviceInfoCase{2, {"\x1b", "ID\r", "ID?\r"}}));

TEST_F(MainFixture, ExitClosesThePortUnticksTheLogAndClosesTheWindow)
{
    storePort();
    start();
    ctl->execute("acExit");
    EXPECT_FALSE(port.Connected());
    ASSERT_TRUE(view.checked.count("acStartStopLog"));
    EXPECT_FALSE(view.checked["acStartStopLog"]);
    EXPECT_EQ(view.closes, 1);
}

TEST_F(MainFixture, FormCloseClosesThePortAndFreesTheParameterSets)
{
    storePort();
    start();
    ctl->FormClose();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(ctl->currentParameterSet(), nullptr);
}

TEST_F(MainFixture, ACommandThatFailsEndsWithTheErrorBox)
{
    storePort();
    start();
    ctl->setHandler("acTP", [] { throw EComPort(ComErrorKind::Write, 5, "Input/output error"); });
    const int focus = view.focusCalls;
    ctl->execute("acTP");
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0].rfind("WriteFile function failed", 0), 0u);
    EXPECT_EQ(view.focusCalls, focus + 1);
    ctl->execute("acZoomIn"); // no behaviour yet: nothing happens
    EXPECT_EQ(view.errors.size(), 1u);
}

TEST_F(MainFixture, FocusGoesToTheTerminalAfterCommandsButNotAfterTheExceptions)
{
    storePort();
    start();
    struct Case {
        DeviceType line;
        const char* action;
        bool focus;
    } cases[] = {
        {kPXR7X, "acDT", true},     {kPXR7X, "acDS", true},     {kPXR500C, "acDS", false},
        {kPXR501, "acDS", false},   {kPXR7X, "acSO", false},    {kPXR500C, "acDJ", false},
        {kPXR501, "acSd", false},   {kPXR500C, "acStop", true}, {kPXR501, "acID", true},
    };
    for (const auto& c : cases) {
        ctl->ApplyDeviceType(c.line);
        ctl->setHandler(c.action, [] {});
        const int before = view.focusCalls;
        ctl->execute(c.action);
        EXPECT_EQ(view.focusCalls - before, c.focus ? 1 : 0) << c.action << " on line " << c.line;
    }
}

TEST_F(MainFixture, StatusbarTimerBlanksPanel2AfterThreeSeconds)
{
    storePort();
    start();
    ctl->showPassingStatus(" Parameter saved");
    EXPECT_TRUE(ctl->Timer_Statusbar().isActive());
    loop.waitFor(2999);
    EXPECT_EQ(view.panels[2], " Parameter saved");
    loop.waitFor(1);
    EXPECT_EQ(view.panels[2], "");
    EXPECT_FALSE(ctl->Timer_Statusbar().isActive());
}

// ---- command-line choices ----------------------------------------------------------

TEST_F(MainFixture, PortAndModelLineFromTheCommandLineArePreselected)
{
    storePort("/dev/ttyPXR", "19200");
    create();
    ctl->usePort("/tmp/pxr-demo");
    ctl->preselectModelLine(kPXR500C);
    ctl->FormShow();
    EXPECT_EQ(view.shown.portName, "/tmp/pxr-demo");
    EXPECT_EQ(view.shown.deviceIndex, 1);
    EXPECT_EQ(view.shown.baudText(), "9600");
    EXPECT_EQ(backend.name(), "/tmp/pxr-demo");
    EXPECT_FALSE(store.exists("Device", "Type")); // nothing stored without OK
}

TEST_F(MainFixture, PreselectingTheStoredLineStillGivesItsUsualRate)
{
    storePort("/dev/ttyPXR", "19200");
    create();
    ctl->preselectModelLine(kPXR7X);
    EXPECT_EQ(port.BaudRate(), 9600u);
}

} // namespace
