// Measuring commands on the wire, in virtual time, and the assembled road
// of a reading (framer -> decoding -> diagram, outputs, log).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measurement/Measurement.h"
#include "measurement/MeasurementCommands.h"
#include "base/Trace.h"
#include "support/CoreRig.h"
#include "support/ScriptedPeer.h"
#include "support/RecordingMeasurementView.h"

using namespace pxr;
using namespace pxr::test;

namespace {

// A meter that goes on streaming after ESC (the "does not stop" fault).
class StubbornPeer : public ScriptedPeer {
public:
    bool stubborn = false;
    void receive(const std::string& bytes, double nowMs) override
    {
        const bool was = streaming;
        ScriptedPeer::receive(bytes, nowMs);
        if (stubborn && was && !streaming)
            startStream(nowMs + 1);
    }
};

const std::string kEsc = "\x1b";

struct Commands : ::testing::Test, CoreRig, MeasurementCommands::Simulation {
    StubbornPeer peer;
    bool simulation = false;
    std::vector<std::string> simuEvents;
    MeasurementCommands cmd{tx, pxr7x, pxr501, this};

    bool simulationOn() const override { return simulation; }
    void setSimuTimer(bool on) override { simuEvents.push_back(on ? "timer on" : "timer off"); }
    void setSimuMode(int m) override { simuEvents.push_back("mode " + std::to_string(m)); }

    void SetUp() override { open(peer); }
    double at(size_t i) const { return backend.written().at(i).atMs; }
};

} // namespace

// ---- the bytes each command writes, per model line ----

struct WireCase {
    const char* name;
    DeviceType model;
    const char* action;
    bool meterStreams;
    std::vector<std::string> bytes;
    // Pause before each write after the first, as the lower bound in ms.
    std::vector<double> minGap;
};

void PrintTo(const WireCase& c, std::ostream* os) { *os << c.name; }

class CommandWire : public Commands, public ::testing::WithParamInterface<WireCase> {};

TEST_P(CommandWire, BytesAndPauses)
{
    const WireCase& c = GetParam();
    tx.deviceType = c.model;
    peer.streamLine = c.model == kPXR500C ? "  12.345" : "012.345\r\n";
    if (c.meterStreams) {
        // ESC really stops this meter.
        peer.startStream(loop.nowMs());
        backend.wakePeer();
    }
    ASSERT_TRUE(cmd.Execute(c.action));
    ASSERT_EQ(writes(), c.bytes);
    ASSERT_EQ(c.minGap.size() + (c.bytes.empty() ? 0 : 1), c.bytes.size());
    for (size_t i = 1; i < c.bytes.size(); ++i) {
        const double gap = at(i) - at(i - 1);
        EXPECT_GE(gap, c.minGap[i - 1]) << "before write " << i;
        EXPECT_LT(gap, c.minGap[i - 1] + 30) << "before write " << i;
    }
    EXPECT_EQ(ui.busy, 0);
}

INSTANTIATE_TEST_SUITE_P(
    PerModelLine, CommandWire,
    ::testing::Values(
        WireCase{"Pxr7xDtPlain", kPXR7X, "acDT", false, {"DT\r"}, {}},
        WireCase{"Pxr7xDtPlainEvenWhileStreaming", kPXR7X, "acDT", true, {"DT\r"}, {}},
        WireCase{"Pxr7xDw", kPXR7X, "acDW", false, {"DW\r"}, {}},
        WireCase{"Pxr7xDs", kPXR7X, "acDS", false, {"DS\r"}, {}},
        WireCase{"Pxr7xLf", kPXR7X, "acLF", false, {"LF\r"}, {}},
        WireCase{"Pxr7xId", kPXR7X, "acID", false, {"ID\r"}, {}},
        WireCase{"Pxr501DtStopsFirst", kPXR501, "acDT", false, {kEsc, "DT\r"}, {500}},
        WireCase{"Pxr501Df", kPXR501, "acDF", false, {kEsc, "DF\r"}, {500}},
        WireCase{"Pxr501IdThenIdQuery", kPXR501, "acID", false, {kEsc, "ID\r", "ID?\r"}, {500, 50}},
        WireCase{"Pxr501DwPlain", kPXR501, "acDW", false, {"DW\r"}, {}},
        WireCase{"Pxr7xDm", kPXR7X, "acDM", false, {kEsc, "DM\r"}, {500}},
        WireCase{"Pxr500cDm", kPXR500C, "acDM", false, {kEsc, "DM\r"}, {500}},
        WireCase{"Pxr501Dm", kPXR501, "acDM", false, {kEsc, "DM\r"}, {500}},
        WireCase{"Pxr500cTpStreaming", kPXR500C, "acTP", true, {kEsc, "TP\r"}, {1000}},
        WireCase{"Pxr500cVtStreaming", kPXR500C, "acVT", true, {kEsc, "VT\r"}, {1000}},
        WireCase{"Pxr500cDwPlain", kPXR500C, "acDW", false, {"DW\r"}, {}},
        WireCase{"Pxr7xStop", kPXR7X, "acStop", false, {kEsc}, {}},
        WireCase{"Pxr501Stop", kPXR501, "acStop", true, {kEsc}, {}},
        WireCase{"Pxr500cStopStreaming", kPXR500C, "acStop", true, {kEsc}, {}},
        WireCase{"Pxr500cStopSilent", kPXR500C, "acStop", false, {}, {}},
        WireCase{"Pxr500cDsNothing", kPXR500C, "acDS", false, {}, {}},
        WireCase{"Pxr501DsNothing", kPXR501, "acDS", false, {}, {}},
        WireCase{"Pxr500cSoNothing", kPXR500C, "acSO", false, {}, {}}),
    [](const ::testing::TestParamInfo<WireCase>& i) { return std::string(i.param.name); });

TEST_F(Commands, Pxr500cQuietMeterGetsCommandAfterAboutOneSecondOfRunDetection)
{
    tx.deviceType = kPXR500C;
    ASSERT_TRUE(cmd.Execute("acTP"));
    ASSERT_EQ(writes(), std::vector<std::string>{"TP\r"});
    EXPECT_GE(at(0), 1000.0);
    EXPECT_LT(at(0), 1100.0);
    EXPECT_EQ(ui.busyCalls, 2);
    EXPECT_EQ(ui.busy, 0);
}

TEST_F(Commands, Pxr500cStopGivesUpOnAMeterThatKeepsStreaming)
{
    tx.deviceType = kPXR500C;
    peer.streamLine = "  12.345";
    peer.stubborn = true;
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    const double start = loop.nowMs();
    cmd.acStopExecute();
    // ESC once; then at most four checks of about two seconds each.
    EXPECT_EQ(writes(), std::vector<std::string>{kEsc});
    const double took = loop.nowMs() - start;
    EXPECT_GT(took, 4 * 1000.0);
    EXPECT_LE(took, 1010.0 + 4 * 2010.0 + 50);
    EXPECT_EQ(ui.focusCalls, 1);
}

TEST_F(Commands, PatternBRestoresTheCursorWhenTheWriteFails)
{
    tx.deviceType = kPXR500C;
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    backend.failWrite = true;
    EXPECT_THROW(cmd.acDFExecute(), EComPort);
    EXPECT_EQ(ui.busy, 0);
}

TEST_F(Commands, FocusTailAfterEveryCommandButSetOffsetAndAMissingDs)
{
    struct Case {
        DeviceType model;
        const char* action;
        int focus;
    } cases[] = {
        {kPXR7X, "acDT", 1}, {kPXR7X, "acDS", 1},  {kPXR500C, "acDS", 0}, {kPXR501, "acDS", 0},
        {kPXR7X, "acSO", 0}, {kPXR501, "acSO", 0}, {kPXR501, "acStop", 1}, {kPXR500C, "acID", 1},
        {kPXR500C, "acStop", 1},
    };
    for (const auto& c : cases) {
        ui.focusCalls = 0;
        tx.deviceType = c.model;
        cmd.Execute(c.action);
        EXPECT_EQ(ui.focusCalls, c.focus) << int(c.model) << " " << c.action;
    }
}

TEST_F(Commands, UnknownActionIsNotHandled)
{
    EXPECT_FALSE(cmd.Execute("acGetParameter"));
    EXPECT_TRUE(writes().empty());
}

TEST_F(Commands, ClosedPortWritesNothingAndRaisesNothing)
{
    port.Close();
    for (DeviceType m : {kPXR7X, kPXR500C, kPXR501}) {
        tx.deviceType = m;
        for (const char* a : {"acDT", "acDM", "acID", "acTP", "acSO", "acStop"})
            EXPECT_NO_THROW(cmd.Execute(a)) << a;
    }
    EXPECT_TRUE(backend.written().empty());
    EXPECT_EQ(pxr7x.GetOF(), "");
}

// ---- Set Offset ----

struct OffsetCase {
    const char* name;
    DeviceType model;
    std::string reply; // what the meter answers to SO (empty: nothing)
    std::string field;
    std::string expected;
};

void PrintTo(const OffsetCase& c, std::ostream* os) { *os << c.name; }

class SetOffset : public Commands, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(SetOffset, AnswerGoesToOf)
{
    const OffsetCase& c = GetParam();
    tx.deviceType = c.model;
    fields.setFieldText(c.field, "old");
    if (!c.reply.empty())
        peer.script["SO"] = {{5, c.reply}};
    cmd.acSOExecute();
    const auto w = writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0], kEsc);
    EXPECT_EQ(w[1], "SO\r");
    EXPECT_GE(at(1) - at(0), 1000.0);
    EXPECT_EQ(fields.fieldText(c.field), c.expected);
    EXPECT_EQ(c.model == kPXR7X ? pxr7x.GetOF() : pxr501.GetOF(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SetOffset,
    ::testing::Values(OffsetCase{"Pxr7xAnswer", kPXR7X, "SO 0.123\r\n", "cb_of", "0.123"},
                      OffsetCase{"Pxr501Answer", kPXR501, "SO -1,5\r\n", "cb_of_2", "-1.5"},
                      OffsetCase{"TimeoutEmptiesTheField", kPXR7X, "", "cb_of", ""},
                      OffsetCase{"NoEchoStoredWhole", kPXR501, "0.250\r\n", "cb_of_2", "0.250"}),
    [](const ::testing::TestParamInfo<OffsetCase>& i) { return std::string(i.param.name); });

// ---- simulation ----

TEST_F(Commands, SimulationSwitchesTheSimulatedDeviceAndSendsNothing)
{
    simulation = true;
    port.Close(); // the port is closed while simulation is on
    struct Case {
        DeviceType model;
        const char* action;
        std::vector<std::string> events;
    } cases[] = {
        {kPXR7X, "acDT", {"mode 1", "timer on"}},
        {kPXR7X, "acDS", {"mode 2", "timer on"}},
        {kPXR7X, "acDW", {"mode 3", "timer on"}},
        {kPXR7X, "acDX", {"mode 4", "timer on"}},
        {kPXR500C, "acDT", {"timer on"}},
        {kPXR501, "acDX", {"timer on"}},
        {kPXR500C, "acDS", {"timer on"}},
        {kPXR7X, "acStop", {"timer off"}},
        {kPXR501, "acStop", {"timer off"}},
        {kPXR7X, "acTP", {}},
    };
    for (const auto& c : cases) {
        simuEvents.clear();
        tx.deviceType = c.model;
        cmd.Execute(c.action);
        EXPECT_EQ(simuEvents, c.events) << int(c.model) << " " << c.action;
    }
    EXPECT_TRUE(backend.written().empty());
}

TEST_F(Commands, WithoutSimulationTheSimulatedDeviceIsLeftAlone)
{
    tx.deviceType = kPXR7X;
    cmd.acDTExecute();
    cmd.acStopExecute();
    EXPECT_TRUE(simuEvents.empty());
}

// ---- the assembled road of a reading ----

namespace {

struct Road : ::testing::Test, CoreRig {
    DeviceType model = kPXR7X;
    double clock = 100.0;
    RecordingMeasurementView view;
    int& lineCountResets = view.lineCountResets;
    std::vector<std::pair<std::string, int32_t>>& shown = view.shown;
    std::vector<std::pair<int, bool>>& leds = view.leds;
    Measurement m{model, loop, ui, pxr7x, pxr500c, pxr501, &view, [this] { return clock; }};

    void SetUp() override
    {
        pxr7x.SetDefaults(); // RB 0, RE 40, AC 2, AH 0.1, AW 100000, SE 2
        backend.attachPeer(nullptr);
        port.SetPort("/dev/ttyPXR");
        port.Open();
        mess.setStopString("\r\n");
        mess.setComPort(&port);
        m.connect(mess);
    }
};

} // namespace

TEST_F(Road, ReceivedLinesReachDiagramOutputsAndLogWithOneTimeStamp)
{
    clock = 101.5; // 1.5 s after the window was created
    mess.AddData("010.000\r\n0");
    clock = 102.0;
    mess.AddData("02.500\r\nE15\r\n");
    ASSERT_EQ(m.series.size(), 3u);
    EXPECT_DOUBLE_EQ(m.series.at(0).t, 1.5);
    EXPECT_DOUBLE_EQ(m.series.at(0).y, 10.0);
    EXPECT_DOUBLE_EQ(m.series.at(1).y, 2.5);
    EXPECT_TRUE(m.series.at(2).isGap());
    ASSERT_EQ(m.log.lineCount(), 3u);
    EXPECT_EQ(m.log.line(0), "1.500;10.000");
    EXPECT_EQ(m.log.line(1), "2.000;2.500");
    EXPECT_EQ(m.log.line(2), "2.000;");
    // SE 2 of the factory values: an error drives the current to 21 mA
    // (rising range) and switches the alarm on (AH > 0).
    EXPECT_EQ(m.outputs.MeterValue(), 21000);
    EXPECT_EQ(m.outputs.AnalogLastValue(), 5000); // 2.5 of 0..40
    EXPECT_TRUE(m.outputs.Led1On());
    EXPECT_EQ(m.decoding.LastMessLine(), "E15");
}

TEST_F(Road, LiveDisplayShowsOnlyTheLatestReadingEvery100Ms)
{
    loop.runUntil(100); // first tick: nothing received yet
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], std::make_pair(std::string(), int32_t(0)));
    EXPECT_EQ(view.newPoints, 1); // the first tick shows the (empty) series
    m.simulatedLine("005.000");
    m.simulatedLine("010.000");
    EXPECT_EQ(shown.size(), 1u); // nothing redrawn per reading
    EXPECT_EQ(view.newPoints, 1);
    loop.runUntil(200);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], std::make_pair(std::string("010.000"), int32_t(8000)));
    EXPECT_EQ(view.newPoints, 2);
    loop.runUntil(500); // unchanged: nothing to redraw
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(view.newPoints, 2);
    // The same reading again: the number and needle stay, the diagram moves on.
    m.simulatedLine("010.000");
    loop.runUntil(600);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(view.newPoints, 3);
}

TEST_F(Road, ClearDiagramRestartsTheTimeBaseForDiagramAndLog)
{
    clock = 150.0;
    m.simulatedLine("001.000");
    m.acClearGrafikExecute();
    EXPECT_EQ(m.series.size(), 0u);
    EXPECT_EQ(lineCountResets, 1);
    clock = 150.25;
    m.simulatedLine("002.000");
    ASSERT_EQ(m.series.size(), 1u);
    EXPECT_DOUBLE_EQ(m.series.at(0).t, 0.25);
    EXPECT_EQ(m.log.line(m.log.lineCount() - 1), "0.250;2.000");
}

TEST_F(Road, ModelLineSwitchClearsHysteresisAndGivesTheScale)
{
    m.simulatedLine("002.500"); // above AC 2: centre state set
    ASSERT_TRUE(m.outputs.Out1CenterState());
    model = kPXR500C;
    const AnalogMeterScale s = m.ArrangeForDeviceType();
    EXPECT_FALSE(m.outputs.Out1CenterState());
    EXPECT_TRUE(m.outputs.Led1On()); // lamps are not reset
    EXPECT_EQ(s.minimum, 4000);
    EXPECT_EQ(s.maximum, 20000);
}

TEST_F(Road, DiagramNumberFromTheSetup)
{
    GraphicSettings g;
    g.number = 10;
    m.applyGraphicSettings(g);
    for (int i = 0; i < 30; ++i) {
        clock += 0.1;
        m.simulatedLine("001.000");
    }
    EXPECT_EQ(m.series.size(), 11u);
    EXPECT_EQ(m.log.lineCount(), 30u);
}

TEST_F(Road, ViewSetLaterReachesEveryPartAndTheDisplayIsShownAgain)
{
    loop.runUntil(100);
    ASSERT_EQ(shown.size(), 1u);
    RecordingMeasurementView later;
    m.setView(&later);
    // Nothing changed, but the new display has not shown anything yet.
    loop.runUntil(200);
    ASSERT_EQ(later.shown.size(), 1u);
    EXPECT_EQ(later.shown[0].first, "");
    EXPECT_EQ(later.newPoints, 1);
    m.simulatedLine("003.000"); // above AC 2 + AH/2: output 1 on
    ASSERT_EQ(later.leds.size(), 1u);
    EXPECT_EQ(later.leds[0], std::make_pair(1, true));
    m.log.acClearLogExecute();
    m.acClearGrafikExecute();
    EXPECT_EQ(later.lineCountResets, 2);
    // The old view is no longer called.
    EXPECT_TRUE(leds.empty());
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(lineCountResets, 0);
}

TEST_F(Road, StatisticsCoverEveryReadingSinceClearNotOnlyThePointsKept)
{
    GraphicSettings g;
    g.number = 10;
    m.applyGraphicSettings(g);
    // 30 readings 1..30 and two error lines: the diagram keeps 11 points, the
    // statistics every reading.
    for (int i = 1; i <= 30; ++i) {
        clock += 0.1;
        mess.AddData(format("%07.3f\r\n", static_cast<double>(i)));
        if (i == 10 || i == 20)
            mess.AddData("E15\r\n");
    }
    EXPECT_EQ(m.series.size(), 11u);
    EXPECT_EQ(m.stats.count(), 30u);
    EXPECT_EQ(m.stats.invalid(), 2u);
    EXPECT_DOUBLE_EQ(m.stats.mean(), 15.5);
    EXPECT_DOUBLE_EQ(m.stats.minimum(), 1.0);
    EXPECT_DOUBLE_EQ(m.stats.maximum(), 30.0);
    // Clear Log Window restarts the time base but keeps the figures; Clear starts them again.
    m.log.acClearLogExecute();
    EXPECT_EQ(m.stats.count(), 30u);
    m.acClearGrafikExecute();
    EXPECT_EQ(m.stats.count(), 0u);
    EXPECT_EQ(m.stats.invalid(), 0u);
    mess.AddData("004.000\r\n");
    EXPECT_EQ(m.stats.count(), 1u);
    EXPECT_DOUBLE_EQ(m.stats.mean(), 4.0);
}
