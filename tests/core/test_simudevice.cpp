// The simulated device in virtual time: timer intervals after the measuring
// commands and the model lines' rules, lines through the parameter sets,
// the ramp cycle as the decoding sees it, the setup dialog's rules and the
// decimal point under a comma locale.

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "devices/ParameterSets.h"
#include "measurement/MeasurementCommands.h"
#include "measurement/ReadingDecoder.h"
#include "simulation/SimuDevice.h"
#include "support/CommaLocale.h"
#include "support/LoopbackPort.h"
#include "support/RecordingSink.h"
#include "support/VirtualEventLoop.h"

using namespace pxr;
using namespace pxr::test;

namespace {


// The fixture is the simulated device's host, keeping every line it is given,
// and the signal-strength dialog.
struct Simu : ::testing::Test, SimuHost, SignalLevelDisplay, MeasurementCommands::Simulation {
    VirtualEventLoop loop;
    LoopbackPort backend{loop};
    TComPort port{backend};
    NullUiHooks ui;
    ComTransactions tx{port, loop, ui};
    TPXR7x pxr7x;
    TPXR500C pxr500c;
    TPXR501 pxr501;
    DeviceType line = kPXR7X;
    bool dialogOpen = false;
    std::unique_ptr<Timer> timer = loop.createTimer();
    SimuSetup setup;
    std::vector<std::string> lines;
    std::vector<int> counters; // SimuCounter at each line
    std::vector<double> tickTimes;
    int die = 0; // the next "random" number, cycling 0..9
    SimuDevice device{*timer, setup, *this, [this] { return die++ % 10; }};

    Stopwatch clock{[] { return 0.0; }};
    std::vector<int32_t> levels;
    MeasurementDecoding decoding{line, clock, this};
    RecordingSink sink;
    std::vector<Reading>& readings = sink.readings;
    Simu() { decoding.addSink(sink); }

    MeasurementCommands commands{tx, pxr7x, pxr501, this};

    // MeasurementCommands::Simulation: always on, the device above.
    bool simulationOn() const override { return true; }
    void setSimuTimer(bool on) override { device.setTimerEnabled(on); }
    void setSimuMode(int mode) override { device.SetSimuMode(static_cast<uint8_t>(mode)); }

    DeviceType deviceType() const override { return line; }
    std::string simuParameter(DeviceType l, const std::string& code, int index) const override
    {
        const ParameterSet& set = l == kPXR7X     ? static_cast<const ParameterSet&>(pxr7x)
                                  : l == kPXR500C ? static_cast<const ParameterSet&>(pxr500c)
                                                  : static_cast<const ParameterSet&>(pxr501);
        return set.value(code, static_cast<std::size_t>(index));
    }
    bool signalDialogOpen() const override { return dialogOpen; }
    void ShowSignalLevel(int32_t level) override { levels.push_back(level); }
    void deliverSimulatedLine(const std::string& l) override
    {
        lines.push_back(l);
        counters.push_back(SimuCounter);
        tickTimes.push_back(loop.nowMs());
        decoding.ComDataPacket_messPacket(l);
    }

    // Gaps between consecutive ticks from the second tick on.
    std::vector<double> gaps() const
    {
        std::vector<double> g;
        for (size_t i = 1; i < tickTimes.size(); ++i)
            g.push_back(tickTimes[i] - tickTimes[i - 1]);
        return g;
    }
    // Runs the timer for a while and returns the steady gap after the first
    // tick (which still ran at the interval in force before).
    double steadyGap(double forMs)
    {
        tickTimes.clear();
        loop.runUntil(loop.nowMs() + forMs);
        std::vector<double> g = gaps();
        if (g.size() < 2)
            return -1;
        for (size_t i = 2; i < g.size(); ++i)
            EXPECT_DOUBLE_EQ(g[i], g[1]) << "gap " << i;
        return g[1];
    }
};

// ---- intervals ---------------------------------------------------------------

struct Pxr7xIntervalCase {
    const char* st;
    const char* action;
    double gap;
};

TEST_F(Simu, Pxr7xIntervalFollowsTheMeasuringCommand)
{
    const Pxr7xIntervalCase cases[] = {
        {"0", "acDT", 160}, {"2", "acDT", 480}, {"", "acDW", 100},
        {"0", "acDX", 20},  {"2", "acDS", 300}, {"0", "acDS", 160},
    };
    for (const auto& c : cases) {
        // Each command counts as a new mode: come from another one first.
        commands.Execute(std::string(c.action) == "acDX" ? "acDW" : "acDX");
        commands.acStopExecute();
        pxr7x.setValue("ST", 0, c.st);
        commands.Execute(c.action);
        EXPECT_TRUE(device.timerEnabled()) << c.action;
        EXPECT_EQ(steadyGap(5000), c.gap) << c.action << " ST " << c.st;
        commands.acStopExecute();
        EXPECT_FALSE(device.timerEnabled());
    }
}

TEST_F(Simu, Pxr7xSameCommandAgainKeepsTheIntervalUntilSetParameter)
{
    commands.acDTExecute();
    EXPECT_EQ(steadyGap(2000), 160);
    pxr7x.setValue("ST", 0, "2");
    commands.acDTExecute();
    EXPECT_EQ(steadyGap(3000), 160);
    device.ComputeSimuInterval(); // what Set Parameter does in simulation
    EXPECT_EQ(steadyGap(3000), 480);
}

TEST_F(Simu, BeforeAnyCommandTheTimerRunsAtFiveHundred)
{
    device.setTimerEnabled(true);
    EXPECT_EQ(steadyGap(3000), 500);
    EXPECT_EQ(device.SimuAppliedInterval, 0u);
}

struct LineIntervalCase {
    DeviceType line;
    const char* sa;
    const char* mf;
    double gap;
};

TEST_F(Simu, OutputRateOfPxr500cAndPxr501)
{
    const LineIntervalCase cases[] = {
        {kPXR500C, "1", "", 10},     {kPXR500C, "0.5", "", 10}, // 5 ms is not applied
        {kPXR500C, "3", "", 30},     {kPXR501, "10", "2000", 30}, // 5 ms again
        {kPXR501, "100", "2000", 50}, {kPXR501, "abc", "0", 1000}, // SA and MF count as 1
    };
    device.setTimerEnabled(true);
    for (const auto& c : cases) {
        line = c.line;
        ParameterSet& set = c.line == kPXR500C ? static_cast<ParameterSet&>(pxr500c) : pxr501;
        set.setValue("SA", 0, c.sa);
        set.setValue("MF", 0, c.mf);
        EXPECT_EQ(steadyGap(c.gap * 10 + 2000), c.gap) << int(c.line) << " SA " << c.sa << " MF " << c.mf;
    }
}

TEST_F(Simu, NegativeIntervalPracticallyStopsTheOutput)
{
    line = kPXR501;
    pxr501.setValue("SA", 0, "-10");
    pxr501.setValue("MF", 0, "100");
    device.setTimerEnabled(true);
    loop.runUntil(600);
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_EQ(device.SimuAppliedInterval, static_cast<uint32_t>(-100));
    EXPECT_TRUE(device.timerEnabled());
    loop.runUntil(24.0 * 3600 * 1000);
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_EQ(timer->interval(), static_cast<uint32_t>(std::numeric_limits<int32_t>::max()));
}

struct RecoveryCase {
    const char* name;
    DeviceType line;
    std::vector<std::pair<const char*, const char*>> wrong, corrected; // code, value
    double gap; // with the corrected values
};

// A value that stops the output (negative SA, ST) is corrected: the next
// start of a simulated mode, by DT or by switching simulation off and on,
// runs at the corrected values' interval at once, not after a tick that
// would come in 25 days.
TEST_F(Simu, CorrectedValuesTakeEffectAtTheNextStart)
{
    const RecoveryCase cases[] = {
        {"Pxr7xNegativeST", kPXR7X, {{"ST", "-1"}}, {{"ST", "1"}}, 240},
        {"Pxr500cNegativeSA", kPXR500C, {{"SA", "-1"}}, {{"SA", "1"}}, 10},
        {"Pxr501NegativeSA", kPXR501, {{"SA", "-5"}, {"MF", "100"}}, {{"SA", "100"}, {"MF", "2000"}}, 50},
    };
    for (const bool offAndOn : {false, true}) {
        for (const RecoveryCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (offAndOn ? ", simulation off and on" : ", DT again"));
            line = c.line;
            ParameterSet& set = c.line == kPXR7X     ? static_cast<ParameterSet&>(pxr7x)
                                : c.line == kPXR500C ? static_cast<ParameterSet&>(pxr500c)
                                                     : pxr501;
            for (const auto& [code, value] : c.wrong)
                set.setValue(code, 0, value);
            device.ComputeSimuInterval(); // Set Parameter in simulation
            commands.acDTExecute();
            loop.runUntil(loop.nowMs() + 1000);
            lines.clear();
            loop.runUntil(loop.nowMs() + 3600.0 * 1000);
            ASSERT_TRUE(lines.empty()) << "the wrong value did not stop the output";

            for (const auto& [code, value] : c.corrected)
                set.setValue(code, 0, value);
            device.ComputeSimuInterval();
            const double start = loop.nowMs();
            if (offAndOn) {
                device.setTimerEnabled(false);
                device.setTimerEnabled(true);
            } else {
                commands.acDTExecute();
            }
            tickTimes.clear();
            loop.runUntil(start + c.gap);
            ASSERT_EQ(tickTimes.size(), 1u);
            EXPECT_DOUBLE_EQ(tickTimes[0] - start, c.gap);
            EXPECT_EQ(steadyGap(20 * c.gap), c.gap);
            commands.acStopExecute();
        }
    }
}

TEST_F(Simu, StateSurvivesStopAndModelLineSwitches)
{
    commands.acDWExecute();
    loop.runUntil(1000);
    EXPECT_EQ(device.SimuAppliedInterval, 100u);
    commands.acStopExecute();
    line = kPXR500C;
    line = kPXR7X;
    EXPECT_EQ(device.SimuMode, 3);
    EXPECT_EQ(device.SimuInterval, 100);
    // A resumed timer runs at the last applied interval from its first tick.
    commands.acDTExecute(); // mode 1, ST empty: 160 from the second tick
    tickTimes.clear();
    const double resumed = loop.nowMs();
    loop.runUntil(resumed + 100);
    ASSERT_EQ(tickTimes.size(), 1u);
    EXPECT_DOUBLE_EQ(tickTimes[0] - resumed, 100);
}

TEST_F(Simu, DtWhileRunningDoesNotPutTheNextLineOff)
{
    commands.acDWExecute();
    loop.runUntil(550); // ticks at 500; the next at 600
    commands.acDWExecute();
    loop.runUntil(601);
    ASSERT_EQ(tickTimes.size(), 2u);
    EXPECT_DOUBLE_EQ(tickTimes[1], 600);
}

TEST_F(Simu, CounterIsSharedByTheWholeProcess)
{
    const int before = SimuCounter;
    device.SimuTimerTimer();
    std::unique_ptr<Timer> otherTimer = loop.createTimer();
    SimuDevice other{*otherTimer, setup, *this};
    other.SimuTimerTimer();
    EXPECT_EQ(counters, (std::vector<int>{(before + 1) % 100, (before + 2) % 100}));
}

// ---- lines through the parameter sets -----------------------------------------

struct LineCase {
    const char* name;
    DeviceType line;
    const char* sd0;
    const char* sd1;
    const char* sf;
    const char* first; // with noise 0
    double value;      // decoded, with noise 0
};

class SimuLines : public Simu, public ::testing::WithParamInterface<LineCase> {};

TEST_P(SimuLines, TenNoisyLinesDecodeAroundTheDistance)
{
    const LineCase& c = GetParam();
    line = c.line;
    ParameterSet& set = c.line == kPXR7X ? static_cast<ParameterSet&>(pxr7x)
                        : c.line == kPXR500C ? static_cast<ParameterSet&>(pxr500c)
                                             : static_cast<ParameterSet&>(pxr501);
    set.setValue("SD", 0, c.sd0);
    set.setValue("SD", 1, c.sd1);
    set.setValue("SF", 0, c.sf);
    for (int i = 0; i < 10; ++i)
        device.SimuTimerTimer();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], c.first);
    ASSERT_EQ(readings.size(), 10u);
    EXPECT_DOUBLE_EQ(readings[0].value, c.value);
    // The noise (0..9 thousandths) is scaled like the distance; PXR500C
    // prints two decimals, so its reading may round up by one hundredth.
    const double sign = c.sf[0] == '-' ? -1 : 1;
    const double most = c.line == kPXR500C ? 0.0101 : 0.0091;
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(readings[i].valid) << lines[i];
        const double noise = (readings[i].value - c.value) * sign;
        EXPECT_TRUE(noise > -1e-9 && noise < most) << lines[i];
    }
}

const LineCase kLines[] = {
    {"Pxr7xDecimal", kPXR7X, "d", "", "1", "005.000", 5.0},
    {"Pxr7xDecimalS", kPXR7X, "s", "", "", "005.000", 5.0},
    {"Pxr7xHexUpper", kPXR7X, "H", "", "1", " 001388", 5.0},
    {"Pxr7xHexLower", kPXR7X, "h", "", "1", " 001388", 5.0},
    {"Pxr7xNegativeScale", kPXR7X, "d", "", "-1", "-05.000", -5.0},
    {"Pxr500c", kPXR500C, "", "", "1", "    5.00", 5.0},
    {"Pxr501Decimal0", kPXR501, "0", "0", "1", "D 0005.000", 5.0},
    {"Pxr501Decimal1", kPXR501, "0", "1", "1", "D 0005.000 01401", 5.0},
    {"Pxr501Decimal2", kPXR501, "0", "2", "1", "D 0005.000 +25.6", 5.0},
    {"Pxr501Decimal3", kPXR501, "0", "3", "1", "D 0005.000 01401 +25.6", 5.0},
    {"Pxr501Hex0", kPXR501, "1", "0", "1", "H001388", 5.0},
    {"Pxr501Hex1", kPXR501, "1", "1", "1", "H001388 0579", 5.0},
    {"Pxr501Hex2", kPXR501, "1", "2", "1", "H001388 100", 5.0},
    {"Pxr501Hex3", kPXR501, "1", "3", "1", "H001388 0579 100", 5.0},
    {"Pxr501NegativeScale", kPXR501, "0", "0", "-1", "D-0005.000", -5.0},
};

INSTANTIATE_TEST_SUITE_P(Formats, SimuLines, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Simu, HexadecimalNegativesKeepTheLastDigits)
{
    pxr7x.setValue("SD", 0, "H");
    pxr7x.setValue("SF", 0, "-1");
    device.SimuTimerTimer();
    line = kPXR501;
    pxr501.setValue("SD", 0, "1");
    pxr501.setValue("SF", 0, "-1");
    device.SimuTimerTimer();
    // -5000 - noise as a 64-bit count, cut to 7 and 6 digits.
    EXPECT_EQ(lines, (std::vector<std::string>{" FFFEC78", "HFFEC77"}));
}

TEST_F(Simu, OffsetShiftsTheBase)
{
    pxr7x.setValue("OF", 0, "0.25");
    setup.FixedDistance = 4.5;
    device.SimuTimerTimer();
    EXPECT_EQ(lines.back(), "004.750");
    line = kPXR500C;
    pxr500c.setValue("OF", 0, "1"); // PXR500C has no offset
    device.SimuTimerTimer();
    EXPECT_EQ(lines.back(), "    4.50");
}

TEST_F(Simu, SignalDialogGivesLevelsOnPxr500cAndPxr501)
{
    dialogOpen = true;
    line = kPXR500C;
    die = 3;
    device.SimuTimerTimer();
    EXPECT_EQ(lines.back(), "    1503");
    line = kPXR501;
    // The dialog switched the meter to decimal with signal strength.
    pxr501.setValue("SD", 0, "0");
    pxr501.setValue("SD", 1, "1");
    die = 0;
    device.SimuTimerTimer(); // noise 0, level 1401
    EXPECT_EQ(lines.back(), "D 0005.000 01401");
    EXPECT_EQ(levels, (std::vector<int32_t>{1503, 1401}));
    // On PXR500C the reading itself is not valid while the dialog is open.
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_FALSE(readings[0].valid);
    EXPECT_TRUE(readings[1].valid);
}

// ---- the ramp ----------------------------------------------------------------

TEST_F(Simu, RampCycleWithSixGapsOnEveryModelLine)
{
    setup.RampAndError = true;
    pxr501.setValue("SD", 0, "0");
    pxr501.setValue("SD", 1, "3");
    const char* errorStart[] = {"E10", " 9999.90", "DE02"};
    for (DeviceType l : {kPXR7X, kPXR500C, kPXR501}) {
        line = l;
        lines.clear();
        counters.clear();
        readings.clear();
        for (int i = 0; i < 200; ++i)
            device.SimuTimerTimer();
        ASSERT_EQ(readings.size(), 200u);
        int gaps = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            const int n = counters[i];
            const bool error = n >= 90 && n <= 95;
            EXPECT_EQ(!readings[i].valid, error) << int(l) << " n=" << n << " " << lines[i];
            if (error) {
                ++gaps;
                EXPECT_EQ(lines[i].rfind(errorStart[l], 0), 0u) << lines[i];
                continue;
            }
            const double base = 5.0;
            double expected = n < 50 ? base + 0.040 * n : n < 90 ? base + 0.040 * (100 - n) : base;
            // Noise 0..9 thousandths on the ramp; none on the four base lines.
            const double noise = readings[i].value - expected;
            if (n >= 96)
                EXPECT_NEAR(noise, 0, 1e-9) << lines[i];
            else if (l == kPXR500C)
                EXPECT_TRUE(noise > -1e-9 && noise < 0.0101) << lines[i]; // two decimals
            else
                EXPECT_TRUE(noise > -1e-9 && noise < 0.0095) << lines[i];
        }
        EXPECT_EQ(gaps, 12) << int(l);
    }
}

TEST_F(Simu, HexErrorLinesOfPxr501)
{
    setup.RampAndError = true;
    line = kPXR501;
    pxr501.setValue("SD", 0, "1");
    pxr501.setValue("SD", 1, "1");
    SimuCounter = 89;
    device.SimuTimerTimer();
    EXPECT_EQ(lines.back(), "HE02    0000");
    EXPECT_FALSE(readings.back().valid);
}

// ---- the setup dialog's rules -------------------------------------------------

TEST(SimuSetupRules, OkTakesDistancesInsideTheRange)
{
    struct Row {
        const char* typed;
        double before;
        double after;
        bool taken;
    };
    const Row rows[] = {
        {"4,5", 5, 4.5, true},   {"4.5", 5, 4.5, true},   {"5000", 4.5, 4.5, false}, {"3000", 5, 3000, true},
        {"0", 5, 0, true},       {"-0.1", 7, 7, false},   {"abc", 7, 5, true},       {"", 7, 5, true},
        {"1e999", 7, 5, true},   {"3000.001", 7, 7, false},
    };
    for (const Row& r : rows) {
        SimuSetup s;
        s.FixedDistance = r.before;
        EXPECT_EQ(s.OKButtonClick(true, r.typed), r.taken) << r.typed;
        EXPECT_DOUBLE_EQ(s.FixedDistance, r.after) << r.typed;
        EXPECT_TRUE(s.RampAndError);
    }
    SimuSetup s;
    EXPECT_DOUBLE_EQ(s.FixedDistance, 5);
    EXPECT_FALSE(s.RampAndError);
    EXPECT_TRUE(SimuSetup::distanceEditable(false));
    EXPECT_FALSE(SimuSetup::distanceEditable(true));
}

TEST_F(Simu, TypedDistanceReachesTheLines)
{
    setup.OKButtonClick(false, "4,5");
    device.SimuTimerTimer();
    setup.OKButtonClick(false, "5000");
    device.SimuTimerTimer();
    EXPECT_EQ(lines, (std::vector<std::string>{"004.500", "004.501"}));
}

// ---- regional settings -------------------------------------------------------

TEST_F(Simu, DecimalLinesCarryAPointUnderACommaLocale)
{
    CommaLocale german;
    if (!CommaLocale::active())
        GTEST_SKIP() << "no German number format available";
    setup.FixedDistance = 4.5;
    device.SimuTimerTimer();
    line = kPXR500C;
    device.SimuTimerTimer();
    line = kPXR501;
    pxr501.setValue("SD", 1, "3");
    device.SimuTimerTimer();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "004.500");
    EXPECT_EQ(lines[1], "    4.50");
    EXPECT_EQ(lines[2], "D 0004.502 01403 +25.6");
    for (const Reading& r : readings)
        EXPECT_TRUE(r.valid);
}

} // namespace
