// The simulated device inside the main window's logic, in virtual time: the
// interface setup switches it, the measuring commands and Set Parameter /
// Set Standard drive it, and its lines take the road of received ones.

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "support/ControllerRig.h"

using namespace pxr;
using namespace pxr::test;

namespace {

// The lines the simulated device makes reach `decoded.lines` (at `decodedTimes`).
struct Wiring : ::testing::Test, ControllerRig {
    bool simulate = true; // what the interface setup is closed with

    void start(int line)
    {
        view.dialog = [this, line](ComSetupModel& model) {
            model.simulate = simulate;
            model.readoutNow = false;
            model.deviceIndex = line;
            return true;
        };
        ControllerRig::start();
    }
    void TearDown() override
    {
        if (ctl)
            ctl->FormClose();
        ctl.reset();
    }
    double lastGap() const
    {
        return decodedTimes.size() < 2 ? -1 : decodedTimes.back() - decodedTimes[decodedTimes.size() - 2];
    }
};

TEST_F(Wiring, SimulationFeedsTheDecodingWithThePortClosed)
{
    start(kPXR7X);
    ASSERT_TRUE(ctl->simulationOn());
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(view.title, "PXRTool (PXR7X) Simulation");
    run(2100);
    ASSERT_EQ(decoded.lines.size(), 4u);
    EXPECT_EQ(decoded.lines[0].substr(0, 6), "005.00");
    EXPECT_EQ(ctl->measurement()->decoding.readingCount(), 4u);
    EXPECT_EQ(ctl->measurement()->decoding.LastMessLine(), decoded.lines.back());
    EXPECT_TRUE(backend.written().empty());
}

TEST_F(Wiring, MeasuringCommandsSwitchTheSimulatedDevice)
{
    start(kPXR7X);
    ctl->execute("acDW");
    run(1000);
    EXPECT_EQ(lastGap(), 100);
    ctl->execute("acStop");
    const size_t stopped = decoded.lines.size();
    run(2000);
    EXPECT_EQ(decoded.lines.size(), stopped);
    ctl->PXR7x()->setValue("ST", 0, "2");
    ctl->execute("acDT");
    run(2000);
    EXPECT_EQ(lastGap(), 480);
    EXPECT_EQ(ctl->simuDevice().SimuMode, 1);
}

TEST_F(Wiring, SetParameterAndSetStandardInSimulation)
{
    start(kPXR7X);
    ctl->execute("acDX");
    run(1000);
    EXPECT_EQ(lastGap(), 20);
    ctl->PXR7x()->setValue("ST", 0, "2");
    ctl->execute("acSetStandard"); // mode DT, with the factory ST
    const std::string st = ctl->PXR7x()->GetST();
    run(3000);
    EXPECT_EQ(ctl->simuDevice().SimuMode, 1);
    EXPECT_EQ(ctl->simuDevice().SimuInterval, ComputeSimuInterval(1, st));
    ctl->PXR7x()->setValue("ST", 0, "0.5");
    ctl->execute("acSetParameter");
    run(1000);
    EXPECT_EQ(lastGap(), 120);
    EXPECT_TRUE(view.errors.empty());
}

TEST_F(Wiring, SwitchingSimulationOffStopsTheLinesAndKeepsTheMode)
{
    start(kPXR7X);
    ctl->execute("acDW");
    run(700);
    simulate = false;
    ctl->acSettingsExecute();
    EXPECT_FALSE(ctl->simulationOn());
    EXPECT_FALSE(ctl->SimuTimer().isActive());
    const size_t before = decoded.lines.size();
    run(2000);
    EXPECT_EQ(decoded.lines.size(), before);
    EXPECT_EQ(ctl->simuDevice().SimuMode, 3);
    simulate = true;
    ctl->acSettingsExecute();
    run(1000);
    EXPECT_EQ(lastGap(), 100);
}

TEST_F(Wiring, Pxr500cSignalDialogTurnsTheLinesIntoLevels)
{
    start(kPXR500C);
    ctl->PXR500C()->setValue("SA", 0, "20");
    run(1000);
    ASSERT_FALSE(decoded.lines.empty());
    EXPECT_EQ(decoded.lines.back().substr(0, 7), "    5.0");
    ctl->execute("acDJ"); // no window here: the dialog stays open
    ASSERT_TRUE(ctl->signalLevel()->Active);
    decoded.lines.clear();
    run(1000);
    ASSERT_FALSE(decoded.lines.empty());
    for (const std::string& l : decoded.lines)
        EXPECT_EQ(l.substr(0, 7), "    150") << l;
    ctl->signalLevel()->FormClose();
    run(1000);
    EXPECT_EQ(decoded.lines.back().substr(0, 7), "    5.0");
    EXPECT_TRUE(backend.written().empty());
}

TEST_F(Wiring, Pxr501SignalDialogSwitchesTheSimulatedOutput)
{
    start(kPXR501);
    ctl->PXR501()->SetSD(0, "1");
    ctl->PXR501()->SetSD(1, "0");
    run(1000);
    ASSERT_FALSE(decoded.lines.empty());
    EXPECT_EQ(decoded.lines.back().substr(0, 5), "H0013");
    ctl->execute("acSd");
    decoded.lines.clear();
    run(1000);
    ASSERT_FALSE(decoded.lines.empty());
    EXPECT_EQ(decoded.lines.back().substr(0, 9), "D 0005.00");
    EXPECT_EQ(decoded.lines.back().substr(11, 3), "014"); // the simulated signal level
    ctl->signalLevel()->FormClose();
    EXPECT_EQ(ctl->PXR501()->GetSD(0), "1");
    EXPECT_EQ(ctl->PXR501()->GetSD(1), "0");
}

} // namespace

// The traffic history shows the simulated lines as a meter would have sent
// them, though none of them passed the port.
TEST_F(Wiring, SimulatedLinesReachTheTrafficHistoryWithTheirLineEnd)
{
    start(kPXR7X);
    run(2100);
    ASSERT_EQ(decoded.lines.size(), 4u);
    const std::deque<std::string>& history = ctl->portHistory().lines();
    ASSERT_EQ(history.size(), decoded.lines.size());
    for (size_t i = 0; i < decoded.lines.size(); ++i) {
        const std::string line = decoded.lines[i].substr(0, decoded.lines[i].find_last_not_of("\r\n") + 1);
        EXPECT_EQ(history[i], line + "\r\n") << i;
    }
    EXPECT_EQ(ctl->portHistory().comPort(), &port);
}

// A line from the port is in the history once, as it came.
TEST_F(Wiring, ReceivedLinesReachTheTrafficHistoryOnce)
{
    simulate = false;
    start(kPXR7X);
    ASSERT_FALSE(ctl->simulationOn());
    ASSERT_TRUE(port.Connected());
    backend.inject("005.000\r\n");
    run(100);
    ASSERT_EQ(decoded.lines.size(), 1u);
    EXPECT_EQ(ctl->portHistory().lines(), (std::deque<std::string>{"005.000\r\n"}));
}
