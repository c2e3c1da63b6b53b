#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parameters/BaudRateChange.h"
#include "support/CoreRig.h"
#include "support/ScriptedPeer.h"

using namespace pxr;
using namespace pxr::test;

namespace {

struct Baud : ::testing::Test, CoreRig {
    ScriptedPeer peer;
    MapFieldBinding editor;

    void SetUp() override
    {
        // The meter answers the question that confirms the new rate.
        peer.script["SA"] = {{5, "SA 1\r\n"}};
        open(peer);
    }
    ChangeBaudDialog choose(uint32_t rate, bool ok = true)
    {
        return [rate, ok](uint32_t, uint32_t& chosen) {
            chosen = rate;
            return ok;
        };
    }
};

} // namespace

TEST_F(Baud, Pxr7xChangeSendsBrAtOldRateThenAutoStartAtNewRate)
{
    tx.deviceType = kPXR7X;
    editor.setFieldText("cb_as", "dt");
    acBaudrateExecute(tx, editor, choose(115200));
    const auto& w = backend.written();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0].bytes, "\x1b");
    EXPECT_EQ(w[1].bytes, "BR115200\r");
    EXPECT_EQ(w[1].baud, 9600u);
    EXPECT_GE(w[1].atMs - w[0].atMs, 500.0);
    // The new rate is confirmed by a question before the meter is restarted.
    EXPECT_EQ(w[2].bytes, "SA\r");
    EXPECT_EQ(w[2].baud, 115200u);
    EXPECT_EQ(w[3].bytes, "dt\r");
    EXPECT_EQ(w[3].baud, 115200u);
    EXPECT_GE(w[3].atMs - w[1].atMs, 550.0);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(port.BaudRate(), 115200u);
    EXPECT_EQ(ui.statusText(0), " /dev/ttyPXR:115200,8,None,1,None");
    EXPECT_EQ(ui.focusCalls, 1);
}

TEST_F(Baud, NothingSentWhenCancelledSameRateOrPxr500c)
{
    struct Case {
        DeviceType model;
        uint32_t rate;
        bool ok;
    } cases[] = {{kPXR7X, 9600, true}, {kPXR7X, 115200, false}, {kPXR500C, 115200, true}};
    for (const auto& c : cases) {
        tx.deviceType = c.model;
        acBaudrateExecute(tx, editor, choose(c.rate, c.ok));
        EXPECT_TRUE(backend.written().empty());
        EXPECT_EQ(port.BaudRate(), 9600u);
    }
    EXPECT_EQ(ui.focusCalls, 3);
}

TEST_F(Baud, AutoStartOnlyForAListEntryOfTwoCharacters)
{
    tx.deviceType = kPXR501;
    editor.setFieldText("cb_as_2", "xx");
    acBaudrateExecute(tx, editor, choose(19200));
    // Nothing after the confirming question.
    EXPECT_EQ(writes(), (std::vector<std::string>{"\x1b", "BR19200\r", "SA\r"}));
}

TEST_F(Baud, RefusedRateSendsNothingAndKeepsTheOldRate)
{
    // The loopback line refuses rates above 4 Mbaud, as a real adapter does
    // with rates it cannot make.
    for (DeviceType model : {kPXR7X, kPXR501}) {
        tx.deviceType = model;
        editor.setFieldText("cb_as", "dt");
        editor.setFieldText("cb_as_2", "dt");
        ui.errors.clear();
        acBaudrateExecute(tx, editor, choose(5000000));
        ASSERT_EQ(ui.errors.size(), 1u);
        EXPECT_EQ(ui.errors[0], "PC COM port do not support baudrate 5000000 Baud!");
        EXPECT_TRUE(backend.written().empty()) << "the meter must not hear of a rate the PC cannot follow";
        EXPECT_TRUE(peer.received.empty());
        EXPECT_EQ(port.BaudRate(), 9600u);
        EXPECT_EQ(backend.baudRate(), 9600u);
        EXPECT_EQ(ui.statusText(0), " /dev/ttyPXR:9600,8,None,1,None");
    }
    EXPECT_EQ(ui.focusCalls, 2);
}

// The real meter on the far end: it switches with "BR" and understands the
// program only while both sides use the same rate.
struct BaudWithMeter : ::testing::Test, CoreRig {
    EmulatorPeer meter{[] {
        MeterConfig c;
        c.model = MeterModel::PXR7X;
        c.faults.wrongBaud = true;
        return c;
    }()};
    MapFieldBinding editor;

    void SetUp() override { openMeter(meter); }
};

TEST_F(BaudWithMeter, MeterAndPcMeetAtTheNewRate)
{
    editor.setFieldText("cb_as", "dt");
    acBaudrateExecute(tx, editor, [](uint32_t current, uint32_t& chosen) {
        EXPECT_EQ(current, 9600u);
        chosen = 115200;
        return true;
    });
    EXPECT_EQ(meter.meter.baudRate(), 115200u);
    EXPECT_EQ(port.BaudRate(), 115200u);
    ASSERT_EQ(backend.written().size(), 4u);
    EXPECT_EQ(backend.written()[1].bytes, "BR115200\r");
    EXPECT_EQ(ui.statusText(2), "");
    EXPECT_EQ(backend.written()[1].baud, 9600u);
    // The auto-start command reached the meter at the new rate: it streams.
    EXPECT_EQ(meter.meter.streamMode(), "DT");
    // ... and answers at it.
    tx.PortWrite(std::string(1, ESC));
    tx.Delay(100);
    int status = 0;
    const std::string sa = tx.QueryCommand("SA", "SA", CRLF, 1010, status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(sa, meter.meter.parameter("SA"));
}

TEST_F(BaudWithMeter, RefusedRateLeavesTheMeterReachable)
{
    acBaudrateExecute(tx, editor, [](uint32_t, uint32_t& chosen) {
        chosen = 5000000;
        return true;
    });
    EXPECT_EQ(meter.meter.baudRate(), 9600u);
    EXPECT_EQ(port.BaudRate(), 9600u);
    EXPECT_TRUE(backend.written().empty());
    int status = 0;
    tx.QueryCommand("SA", "SA", CRLF, 1010, status);
    EXPECT_EQ(status, 1);
}

// A meter that does not answer at the new rate: panel 2 says so, and the
// user is offered to switch both ends back; going back tells the meter at
// the new rate (in case it did switch), puts the PC port back and asks
// again at the old rate; the auto-start mode follows only where the meter
// answers.
struct NoAnswerCase {
    const char* name;
    bool answersAtOldRate;
    bool goBack;
    uint32_t rateAfter;
    const char* status;
    std::vector<std::string> at115200;
    std::vector<std::string> at9600; // after the ESC and the BR
};

class BaudNotConfirmed : public Baud, public ::testing::WithParamInterface<NoAnswerCase> {};

TEST_P(BaudNotConfirmed, SaysSoAndOffersToGoBack)
{
    const NoAnswerCase& c = GetParam();
    tx.deviceType = kPXR7X;
    editor.setFieldText("cb_as", "dt");
    peer.onlyAtRate["SA"] = 9600;
    if (!c.answersAtOldRate)
        peer.script.erase("SA");
    ui.answerYes = c.goBack;
    acBaudrateExecute(tx, editor, choose(115200));
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0], "The meter does not answer at 115200 Baud.\n"
                               "Switch the meter and the PC port back to 9600 Baud?");
    EXPECT_EQ(ui.statusText(2), c.status);
    EXPECT_EQ(port.BaudRate(), c.rateAfter);
    EXPECT_EQ(ui.statusText(0), " /dev/ttyPXR:" + std::to_string(c.rateAfter) + ",8,None,1,None");
    EXPECT_EQ(writes(115200), c.at115200);
    std::vector<std::string> at9600 = writes(9600);
    ASSERT_GE(at9600.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(at9600.begin() + 2, at9600.end()), c.at9600);
}

INSTANTIATE_TEST_SUITE_P(
    Baud, BaudNotConfirmed,
    ::testing::Values(
        NoAnswerCase{"GoBackAndTheMeterAnswers", true, true, 9600, " Back at 9600 Baud",
                     {"SA\r", "BR9600\r"}, {"SA\r", "dt\r"}},
        NoAnswerCase{"StayAtTheNewRate", true, false, 115200, " No answer at 115200 Baud", {"SA\r"}, {}},
        NoAnswerCase{"GoBackToASilentMeter", false, true, 9600, " No answer at 9600 Baud either",
                     {"SA\r", "BR9600\r"}, {"SA\r"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Baud, ClosedPortStillChangesTheRate)
{
    tx.deviceType = kPXR7X;
    port.Close();
    acBaudrateExecute(tx, editor, choose(38400));
    EXPECT_TRUE(backend.written().empty());
    EXPECT_EQ(port.BaudRate(), 38400u);
    EXPECT_EQ(ui.statusText(0), " /dev/ttyPXR:38400,8,None,1,None");
}

TEST(BaudRateList, TextsAndIndices)
{
    EXPECT_EQ(baudRateIndex(2400), 0);
    EXPECT_EQ(baudRateIndex(460800), 8);
    EXPECT_EQ(baudRateIndex(1200), -1);
    EXPECT_EQ(baudRateFromText("115200"), 115200u);
    EXPECT_EQ(baudRateFromText(""), 9600u);
    EXPECT_EQ(baudRateFromText("115201"), 9600u);
    EXPECT_EQ(baudRateFromText("1200"), 9600u);
}
