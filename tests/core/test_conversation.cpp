// One conversation with the meter at a time, through the main controller in
// virtual time against the meter emulator (which streams its auto-start
// mode from power-on, as a real meter does): a second command pressed
// inside each kind of wait of the first changes nothing on the wire or in
// the editor; STOP and Cancel end the running operation after its current
// exchange with a text of their own; the automatic readout waits its turn.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/ActionTable.h"
#include "app/Arrangement.h"
#include "app/KeyValueBackend.h"
#include "app/MainController.h"
#include "devices/FieldBinding.h"
#include "parameters/BaudRateChange.h"
#include "support/ControllerRig.h"
#include "support/EmulatorPeer.h"

using namespace pxr;
using namespace pxr::test;

namespace {

struct Rig : ControllerRig {
    std::unique_ptr<EmulatorPeer> peer;
    MapFieldBinding fields;
    // What a press found when it came.
    bool pressed = false;
    bool enabledAtPress = true;
    bool armed = false;

    explicit Rig(MeterModel model, MeterFaults faults = {})
    {
        MeterConfig cfg;
        cfg.model = model;
        cfg.faults = faults;
        peer = std::make_unique<EmulatorPeer>(cfg);
        backend.attachPeer(peer.get());
        storeText("ComPort", "Port", "/dev/ttyPXR");
        storeType(MeterEmulator::deviceTypeOf(model));
        create();
        ctl->setFieldBinding(&fields);
        show(true);
        // "BR Change Baud Rate" as the terminal page wires it, choosing 19200.
        ctl->setHandler("acBaudrate", [this] {
            acBaudrateExecute(ctl->transactions(), fields, [](uint32_t, uint32_t& chosen) {
                chosen = 19200;
                return true;
            });
        });
        peer->meter.powerOn(loop.nowMs());
        backend.wakePeer();
        loop.waitFor(300);
        backend.clearWritten();
    }
    ~Rig()
    {
        // The controller and the line go before the fields and the meter they use.
        backend.onWrite = nullptr;
        ctl->FormClose();
        ctl.reset();
        backend.attachPeer(nullptr);
    }

    // Runs `act` `delayMs` after the program first writes bytes that begin
    // with `trigger` (an empty trigger: after the start), i.e. inside
    // whatever the running operation waits for then.
    void whenWritten(const std::string& trigger, double delayMs, std::function<void()> act)
    {
        const auto later = [this, delayMs, act] { loop.schedule(loop.nowMs() + delayMs, act); };
        if (trigger.empty()) {
            later();
            return;
        }
        armed = true;
        backend.onWrite = [this, trigger, later](const std::string& bytes) {
            if (armed && bytes.rfind(trigger, 0) == 0) {
                armed = false;
                later();
            }
        };
    }
    // Presses `action` there, noting whether its entries were enabled.
    void pressWhen(const std::string& trigger, double delayMs, const std::string& action)
    {
        whenWritten(trigger, delayMs, [this, action] {
            pressed = true;
            enabledAtPress = view.isEnabled(action);
            ctl->execute(action);
        });
    }
    // Every command that talks to the meter can be used again.
    void expectAllEnabled() const
    {
        for (const MeterActionDef& a : meterActions()) {
            if (actionVisibleFor(a.action, ctl->deviceType())) {
                EXPECT_TRUE(view.isEnabled(a.action)) << a.action;
            }
        }
        for (const BlockedActionDef& b : actionsBlockedWhileTalking())
            EXPECT_TRUE(view.isEnabled(b.action)) << b.action;
        EXPECT_FALSE(ctl->conversation().active());
    }
};

struct PressCase {
    const char* name;
    MeterModel model;
    const char* first;
    const char* trigger;
    double delayMs;
    const char* second;
};

void PrintTo(const PressCase& c, std::ostream* os) { *os << c.name; }

class SecondCommand : public ::testing::TestWithParam<PressCase> {};

} // namespace

// The same operation with and without the second command pressed inside
// one of its waits: the same bytes at the same times, the same editor, and
// the second command's entries were disabled when it came.
TEST_P(SecondCommand, InsideAWaitChangesNothing)
{
    const PressCase& c = GetParam();
    Rig alone(c.model);
    Rig pressed(c.model);
    for (Rig* rig : {&alone, &pressed})
        rig->fields.setFieldText(c.model == MeterModel::PXR7X ? "cb_sa" : c.model == MeterModel::PXR500C ? "cb_sa_1"
                                                                                                         : "cb_sa_2",
                                 "7");
    pressed.pressWhen(c.trigger, c.delayMs, c.second);
    alone.ctl->execute(c.first);
    pressed.ctl->execute(c.first);

    ASSERT_TRUE(pressed.pressed) << "the press did not come inside the operation";
    EXPECT_FALSE(pressed.enabledAtPress);
    ASSERT_EQ(pressed.backend.written().size(), alone.backend.written().size());
    for (size_t i = 0; i < alone.backend.written().size(); ++i) {
        EXPECT_EQ(pressed.backend.written()[i].bytes, alone.backend.written()[i].bytes) << i;
        EXPECT_EQ(pressed.backend.written()[i].atMs, alone.backend.written()[i].atMs) << i;
    }
    EXPECT_EQ(pressed.fields.fields(), alone.fields.fields());
    EXPECT_EQ(pressed.view.panels[2], alone.view.panels[2]);
    pressed.expectAllEnabled();
}

INSTANTIATE_TEST_SUITE_P(
    Conversation, SecondCommand,
    ::testing::Values(
        // F10, then F8 during Set's stop pause: the typed SA goes out, once.
        PressCase{"SetThenGetInTheStopPause", MeterModel::PXR7X, "acSetParameter", "\x1b", 250, "acGetParameter"},
        PressCase{"SetThenGetAfterAWrite", MeterModel::PXR7X, "acSetParameter", "SA", 20, "acGetParameter"},
        PressCase{"GetThenDtInAQuery", MeterModel::PXR7X, "acGetParameter", "TD\r", 5, "acDT"},
        PressCase{"GetThenDtWhileTheLineSettles", MeterModel::PXR501, "acGetParameter", "\x1b", 505, "acDT"},
        PressCase{"GetThenDtInRunDetection", MeterModel::PXR500C, "acGetParameter", "", 300, "acDT"},
        PressCase{"GetThenProfibusAfterTheRestart", MeterModel::PXR7X, "acGetParameter", "dt\r", 20,
                  "acSetProfibus"},
        PressCase{"GetThenInterfaceSetup", MeterModel::PXR7X, "acGetParameter", "SF\r", 5, "acSettings"},
        PressCase{"GetThenImport", MeterModel::PXR7X, "acGetParameter", "SF\r", 5, "acImport"},
        PressCase{"DtThenIdInThePauseAfterEsc", MeterModel::PXR500C, "acDT", "\x1b", 500, "acID"},
        // Device Info, then F2: no DT for a meter that is being asked for ID.
        PressCase{"DeviceInfoThenDt", MeterModel::PXR501, "acDevice", "\x1b", 250, "acDT"},
        PressCase{"SetOffsetThenSet", MeterModel::PXR7X, "acSO", "\x1b", 500, "acSetParameter"},
        PressCase{"BaudRateThenDtAfterBr", MeterModel::PXR7X, "acBaudrate", "BR", 250, "acDT"},
        PressCase{"SignalStrengthThenGet", MeterModel::PXR501, "acSd", "\x1b", 500, "acGetParameter"},
        PressCase{"SetStandardThenSetInTheIdQuery", MeterModel::PXR501, "acSetStandard", "ID\r", 5,
                  "acSetParameter"},
        PressCase{"StopThenDtInTheStopRounds", MeterModel::PXR500C, "acStop", "\x1b", 300, "acDT"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Conversation, SetWritesWhatWasTypedEvenWhenF8ComesInItsPause)
{
    Rig rig(MeterModel::PXR7X);
    rig.fields.setFieldText("cb_sa", "7");
    rig.pressWhen("\x1b", 300, "acGetParameter");
    rig.ctl->execute("acSetParameter");
    EXPECT_EQ(rig.peer->meter.parameter("SA"), "7");
    EXPECT_EQ(rig.fields.fieldText("cb_sa"), "7");
    EXPECT_EQ(rig.view.panels[2], " Get Parameter ok");
    // One readout: the probe and the sequence's SA.
    const auto w = rig.writes();
    EXPECT_EQ(std::count(w.begin(), w.end(), "SA\r"), 2);
}

TEST(Conversation, EditorLockedWhileAReadoutFillsIt)
{
    Rig rig(MeterModel::PXR7X);
    rig.ctl->execute("acGetParameter");
    ASSERT_GE(rig.view.conversations.size(), 3u);
    const auto& first = rig.view.conversations.front();
    EXPECT_TRUE(first.active);
    EXPECT_TRUE(first.locksEditor);
    EXPECT_EQ(first.operation, "Get Parameter");
    // Progress: code n of N, in the readout's order.
    std::vector<std::string> steps;
    for (const auto& c : rig.view.conversations)
        if (c.active && c.progress.step > 0 && (steps.empty() || steps.back() != c.progress.item)) {
            EXPECT_EQ(c.progress.total, 15);
            EXPECT_EQ(c.progress.step, static_cast<int>(steps.size()) + 1);
            steps.push_back(c.progress.item);
        }
    EXPECT_EQ(steps.size(), 15u);
    EXPECT_EQ(steps.front(), "ST");
    EXPECT_EQ(steps.back(), "AW");
    EXPECT_FALSE(rig.view.conversations.back().active);
    // A measuring command does not lock the editor.
    rig.view.conversations.clear();
    rig.ctl->execute("acDT");
    ASSERT_FALSE(rig.view.conversations.empty());
    EXPECT_FALSE(rig.view.conversations.front().locksEditor);
    EXPECT_TRUE(rig.view.isEnabled("acOpen"));
}

TEST(Conversation, ReadingsKeepFlowingDuringAConversation)
{
    Rig rig(MeterModel::PXR500C);
    rig.decoded.readings.clear(); // only those that come during the command count
    size_t beforeEsc = 0;
    rig.backend.onWrite = [&](const std::string& bytes) {
        if (bytes == "\x1b")
            beforeEsc = rig.decoded.readings.size();
    };
    // DT on a streaming PXR500C first watches the line for a second: the
    // readings go on reaching the decoding meanwhile.
    rig.ctl->execute("acDT");
    EXPECT_GT(beforeEsc, 0u);
}

// The automatic readout after the interface setup comes while a measuring
// command waits: it runs after it, not inside it.
TEST(Conversation, AutoGetWaitsForTheRunningCommand)
{
    Rig rig(MeterModel::PXR500C);
    rig.ctl->Timer_AutoGet().start(300);
    rig.ctl->execute("acDT");
    EXPECT_EQ(rig.writes(), (std::vector<std::string>{"\x1b", "DT\r"}));
    rig.loop.waitFor(30000);
    const auto w = rig.writes();
    ASSERT_GT(w.size(), 3u);
    EXPECT_EQ(w[2], "\x1b"); // the readout's own stop, after DT
    EXPECT_EQ(rig.view.panels[2], " Get Parameter ok");
}

// ---- STOP and Cancel -------------------------------------------------------

struct CancelCase {
    const char* name;
    MeterModel model;
    const char* first;
    const char* trigger;
    double delayMs;
    const char* how; // "acStop" or "cancel"
    const char* status;
    std::vector<std::string> neverWritten;
    const char* lastWritten; // after everything; "" for nothing
};

void PrintTo(const CancelCase& c, std::ostream* os) { *os << c.name; }

class Cancel : public ::testing::TestWithParam<CancelCase> {};

TEST_P(Cancel, EndsAfterTheCurrentExchangeAndSaysSo)
{
    const CancelCase& c = GetParam();
    Rig rig(c.model);
    for (const auto& [control, text] : {std::pair<const char*, const char*>{"cb_sa", "7"}, {"cb_td", "0"}, {"cb_tl", "1"}})
        rig.fields.setFieldText(control, text);
    const std::string how = c.how;
    rig.whenWritten(c.trigger, c.delayMs, [&rig, how] {
        if (how == "cancel")
            rig.ctl->cancelConversation();
        else
            rig.ctl->execute(how);
    });
    rig.ctl->execute(c.first);
    EXPECT_EQ(rig.view.panels[2], c.status);
    for (const std::string& bytes : c.neverWritten)
        EXPECT_FALSE(rig.wrote(bytes)) << bytes;
    const auto w = rig.writes();
    ASSERT_FALSE(w.empty());
    EXPECT_EQ(w.back(), c.lastWritten);
    // Nothing half-written is reported as done.
    for (const std::string& text : rig.view.panel2Log) {
        if (std::string(c.first) == "acSetParameter" && std::string(c.trigger) != "TD\r") {
            EXPECT_NE(text, " Set Parameter ok");
        }
    }
    rig.expectAllEnabled();
    EXPECT_EQ(rig.view.busy, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Conversation, Cancel,
    ::testing::Values(
        CancelCase{"GetInAQuery", MeterModel::PXR7X, "acGetParameter", "TD\r", 5, "cancel",
                   " Get Parameter cancelled after 3 of 15 codes", {"TM\r", "dt\r"}, "TD\r"},
        // The last code was being read: the set is whole, the meter is not restarted.
        CancelCase{"GetInTheLastQuery", MeterModel::PXR7X, "acGetParameter", "AW\r", 5, "cancel",
                   " Get Parameter cancelled after 15 of 15 codes", {"dt\r"}, "AW\r"},
        CancelCase{"SetInItsWrites", MeterModel::PXR7X, "acSetParameter", "SA", 10, "cancel",
                   " Set Parameter cancelled after 2 of 15 codes", {"SA\r"}, "SA7\r"},
        CancelCase{"SetInItsReadBack", MeterModel::PXR7X, "acSetParameter", "TD\r", 5, "cancel",
                   " Get Parameter cancelled after 3 of 15 codes", {"TM\r", "dt\r"}, "TD\r"},
        // STOP in a measuring command's pause: the command does not go out,
        // the meter is stopped afterwards.
        CancelCase{"StopInDmsPause", MeterModel::PXR7X, "acDM", "\x1b", 250, "acStop",
                   " DM Distance Measurement cancelled", {"DM\r"}, "\x1b"},
        CancelCase{"StopInPxr500cDtPause", MeterModel::PXR500C, "acDT", "\x1b", 500, "acStop",
                   " DT Distance Tracking cancelled", {"DT\r"}, "\x1b"},
        CancelCase{"StopInAReadout", MeterModel::PXR501, "acGetParameter", "MF\r", 5, "acStop",
                   " Get Parameter cancelled after 2 of 16 codes", {"TD\r", "dt\r"}, "\x1b"},
        // Once the meter has been told the new rate the PC port follows; the
        // cancel takes effect at the question that confirms it.
        CancelCase{"BaudRateAfterBr", MeterModel::PXR7X, "acBaudrate", "BR", 100, "cancel",
                   " BR Change Baud Rate cancelled", {"SA\r"}, "BR19200\r"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Conversation, CancelledBaudRateChangeLeavesBothEndsAtTheNewRate)
{
    Rig rig(MeterModel::PXR7X);
    rig.whenWritten("BR", 100, [&rig] { rig.ctl->cancelConversation(); });
    rig.ctl->execute("acBaudrate");
    EXPECT_EQ(rig.port.BaudRate(), 19200u);
    EXPECT_EQ(rig.peer->meter.baudRate(), 19200u);
}

TEST(Conversation, FieldsAlreadyReadStayWhenCancelled)
{
    Rig rig(MeterModel::PXR7X);
    rig.pressWhen("TD\r", 5, "acStop");
    rig.fields.setFieldText("cb_aw", "typed");
    rig.ctl->execute("acGetParameter");
    EXPECT_EQ(rig.fields.fieldText("cb_st"), rig.peer->meter.parameter("ST"));
    EXPECT_EQ(rig.fields.fieldText("cb_sa"), rig.peer->meter.parameter("SA"));
    EXPECT_FALSE(rig.fields.fieldText("cb_td").empty());
    EXPECT_EQ(rig.fields.fieldText("cb_tm"), "");
}

TEST(Conversation, ExitDuringAReadoutWaitsForItsEnd)
{
    Rig rig(MeterModel::PXR7X);
    rig.pressWhen("SF\r", 5, "acExit");
    rig.ctl->execute("acGetParameter");
    EXPECT_EQ(rig.view.closes, 1);
    EXPECT_FALSE(rig.port.Connected());
    EXPECT_FALSE(rig.wrote("OF\r"));
}

TEST(Conversation, EveryHardwareOnlyActionIsAMeterAction)
{
    // The action states of simulation and of a conversation are decided in
    // one place, which knows the meter actions.
    for (const char* action : hardwareOnlyActions())
        EXPECT_NE(findMeterAction(action), nullptr) << action;
    for (const MeterActionDef& a : meterActions())
        EXPECT_NE(findAction(a.action), nullptr) << a.action;
}
