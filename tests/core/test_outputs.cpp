// The analog current output and the switching outputs recomputed from the
// readings and the parameter sets.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "devices/FieldBinding.h"
#include "measurement/OutputCalc.h"
#include "base/Trace.h"
#include "support/RecordingMeasurementView.h"

using namespace pxr;
using pxr::test::RecordingMeasurementView;

namespace {

struct Outputs : ::testing::Test {
    MapFieldBinding fields;
    TPXR7x pxr7x{&fields};
    TPXR500C pxr500c{&fields};
    TPXR501 pxr501{&fields};
    DeviceType model = kPXR7X;
    RecordingMeasurementView view;
    std::vector<std::pair<int, bool>>& lamps = view.leds;
    OutputCalc out{model, pxr7x, pxr500c, pxr501, &view};

    void pxr7xRange(const char* rb, const char* re, const char* se = "2")
    {
        pxr7x.SetRB(rb);
        pxr7x.SetRE(re);
        pxr7x.SetSE(se);
    }
    void pxr7xAlarm(const char* ac, const char* ah, const char* aw)
    {
        pxr7x.SetAC(ac);
        pxr7x.SetAH(ah);
        pxr7x.SetAW(aw);
    }
    // Lamp 1 after each reading.
    std::vector<bool> lamp1(const std::vector<double>& readings)
    {
        std::vector<bool> states;
        for (double r : readings) {
            out.UpdateSwitchOutputs({0, r, true});
            states.push_back(out.Led1On());
        }
        return states;
    }
};

} // namespace

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour)
{
    struct Case {
        double x;
        int64_t r;
    } cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},      {3.5, 4},     {-0.5, 0},  {-1.5, -2},
                 {-2.5, -2}, {2.4999, 2}, {2.5001, 3},   {-2.5001, -3}, {7.0, 7},  {8000.5, 8000}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundHalfEven(c.x), c.r) << c.x;
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
    // Beyond 2^53 a double holds no fractions anyway; sums of a few such
    // values still fit into 64 bits.
    EXPECT_EQ(RoundHalfEven(1e300), int64_t(1) << 53);
    EXPECT_EQ(RoundHalfEven(-1e300), -(int64_t(1) << 53));
    EXPECT_EQ(TruncateToInt(1e300), int64_t(1) << 53);
    EXPECT_EQ(TruncateToInt(-1.9), -1);
    EXPECT_EQ(TruncateToInt(1.9), 1);
}

// ---- analog output ----

struct AnalogCase {
    const char* name;
    DeviceType model;
    const char* begin;
    const char* end;
    double reading;
    int32_t microAmps;
};

void PrintTo(const AnalogCase& c, std::ostream* os) { *os << c.name; }

class AnalogRanges : public Outputs, public ::testing::WithParamInterface<AnalogCase> {};

TEST_P(AnalogRanges, Current)
{
    const AnalogCase& c = GetParam();
    model = c.model;
    pxr7x.SetRB(c.begin);
    pxr7x.SetRE(c.end);
    pxr500c.SetRB(c.begin);
    pxr500c.SetRE(c.end);
    pxr501.SetQA(0, c.begin);
    pxr501.SetQA(1, c.end);
    out.UpdateAnalogOutput({0, c.reading, true});
    EXPECT_EQ(out.MeterValue(), c.microAmps);
    EXPECT_EQ(out.AnalogLastValue(), c.microAmps);
}

INSTANTIATE_TEST_SUITE_P(
    RisingAndFalling, AnalogRanges,
    ::testing::Values(AnalogCase{"Pxr7xRising10", kPXR7X, "0", "40", 10.0, 8000},
                      AnalogCase{"Pxr7xRisingAtEnd", kPXR7X, "0", "40", 40.0, 20000},
                      AnalogCase{"Pxr7xRisingAboveEnd", kPXR7X, "0", "40", 40.001, 20000},
                      AnalogCase{"Pxr7xRisingBelowBegin", kPXR7X, "0", "40", -0.5, 4000},
                      AnalogCase{"Pxr7xRisingAtBegin", kPXR7X, "0", "40", 0.0, 4000},
                      AnalogCase{"Pxr7xFalling10", kPXR7X, "40", "0", 10.0, 16000},
                      AnalogCase{"Pxr7xFallingAboveBegin", kPXR7X, "40", "0", 45.0, 4000},
                      AnalogCase{"Pxr7xFallingBelowEnd", kPXR7X, "40", "0", -1.0, 20000},
                      AnalogCase{"Pxr7xFallingAtEnd", kPXR7X, "40", "0", 0.0, 20000},
                      AnalogCase{"Pxr7xCommaInParameter", kPXR7X, "0", "4,0", 1.0, 8000},
                      AnalogCase{"TieToEvenDown", kPXR7X, "0", "16", 0.0045, 4004},
                      AnalogCase{"TieToEvenUp", kPXR7X, "0", "16", 0.0015, 4002},
                      AnalogCase{"TieToEvenOffsetRange", kPXR7X, "4", "20", 4.0045, 4004},
                      AnalogCase{"Pxr500cRising", kPXR500C, "0", "50", 25.0, 12000},
                      AnalogCase{"Pxr500cFallingAlways20mA", kPXR500C, "10", "0", 5.0, 20000},
                      AnalogCase{"Pxr500cFallingAlways20mAOutside", kPXR500C, "10", "0", -3.0, 20000},
                      AnalogCase{"Pxr501Rising", kPXR501, "0", "300", 150.0, 12000},
                      AnalogCase{"Pxr501Falling", kPXR501, "300", "0", 75.0, 16000}),
    [](const ::testing::TestParamInfo<AnalogCase>& i) { return std::string(i.param.name); });

TEST_F(Outputs, EmptyRangeFreezesTheInstrument)
{
    pxr7xRange("0", "40");
    out.UpdateAnalogOutput({0, 10.0, true});
    pxr7xRange("5", "5", "1");
    out.UpdateAnalogOutput({0, 30.0, true});
    EXPECT_EQ(out.MeterValue(), 8000);
    out.UpdateAnalogOutput({0, 0.0, false});
    EXPECT_EQ(out.MeterValue(), 8000);
    // Texts that are no numbers count as 0: 0..0 is empty too.
    pxr7xRange("x", "", "1");
    out.UpdateAnalogOutput({0, 0.0, false});
    EXPECT_EQ(out.MeterValue(), 8000);
}

struct ErrorCase {
    DeviceType model;
    const char* begin;
    const char* end;
    const char* mode; // SE, or the text of cb_se_2_1 for PXR501/502
    int32_t microAmps;
};

TEST_F(Outputs, AnalogErrorModes)
{
    const ErrorCase cases[] = {
        // PXR7X by SE; a rising range first got 10.0 of 0..40 = 8000.
        {kPXR7X, "0", "40", "1", 3000},   {kPXR7X, "0", "40", "2", 21000},  {kPXR7X, "0", "40", "", 20000},
        {kPXR7X, "0", "40", "x", 20000},  {kPXR7X, "0", "40", "10", 20000}, {kPXR7X, "0", "40", "0", 8000},
        {kPXR7X, "0", "40", "3", 8000},   {kPXR7X, "40", "0", "1", 21000},  {kPXR7X, "40", "0", "2", 3000},
        {kPXR7X, "40", "0", "", 4000},    {kPXR7X, "40", "0", "0", 16000},
        // PXR500C has no error mode.
        {kPXR500C, "0", "40", "1", 4000}, {kPXR500C, "40", "0", "1", 20000},
        // PXR501/502: 1 and 2 whatever the direction, else hold.
        {kPXR501, "0", "40", "2", 21000}, {kPXR501, "40", "0", "2", 21000}, {kPXR501, "0", "40", "1", 3000},
        {kPXR501, "0", "40", "0", 8000},  {kPXR501, "0", "40", "abc", 8000},
    };
    for (const auto& c : cases) {
        model = c.model;
        pxr7xRange(c.begin, c.end, c.mode);
        pxr500c.SetRB(c.begin);
        pxr500c.SetRE(c.end);
        pxr501.SetQA(0, c.begin);
        pxr501.SetQA(1, c.end);
        pxr501.SetSE(0, "0");
        fields.setFieldText("cb_se_2_1", c.mode);
        out.UpdateAnalogOutput({0, 10.0, true});
        const int32_t last = out.MeterValue();
        out.UpdateAnalogOutput({0, 0.0, false});
        EXPECT_EQ(out.MeterValue(), c.microAmps) << int(c.model) << " " << c.begin << ".." << c.end << " mode "
                                                 << c.mode;
        EXPECT_EQ(out.AnalogLastValue(), last) << "an invalid reading keeps the last valid current";
    }
}

TEST_F(Outputs, Pxr501ErrorModeIsTheUnsavedEditorText)
{
    model = kPXR501;
    pxr501.SetQA(0, "0");
    pxr501.SetQA(1, "300");
    pxr501.SetSE(0, "1"); // what the meter has
    fields.setFieldText("cb_se_2_1", "2"); // typed, not yet written
    out.UpdateAnalogOutput({0, 0.0, false});
    EXPECT_EQ(out.MeterValue(), 21000);
}

// ---- switching outputs ----

TEST_F(Outputs, Pxr7xHysteresisBothDirections)
{
    pxr7xAlarm("2", "0.1", "100000");
    EXPECT_EQ(lamp1({2.049, 2.050, 1.951, 1.950}), (std::vector<bool>{false, true, true, false}));
}

TEST_F(Outputs, Pxr7xNegativeHysteresisInverts)
{
    pxr7xAlarm("2", "-0.1", "100000");
    EXPECT_EQ(lamp1({2.049, 2.050, 1.951, 1.950}), (std::vector<bool>{true, false, false, true}));
}

TEST_F(Outputs, Pxr7xWindowWithWidth)
{
    pxr7xAlarm("2", "0", "1");
    EXPECT_EQ(lamp1({2.5, 3.5, 1.5}), (std::vector<bool>{true, false, false}));
}

TEST_F(Outputs, Pxr7xWindowEndHasHysteresisToo)
{
    pxr7xAlarm("2", "0.2", "1"); // window 2..3, switching 0.1 either side
    EXPECT_EQ(lamp1({2.099, 2.1, 3.099, 3.1, 2.901, 2.9, 1.901, 1.9}),
              (std::vector<bool>{false, true, true, false, false, true, true, false}));
}

TEST_F(Outputs, Pxr7xExactlyAtTheCentreWithoutHysteresisToggles)
{
    pxr7xAlarm("2", "0", "100000");
    EXPECT_EQ(lamp1({2.0, 2.0, 2.0, 2.0}), (std::vector<bool>{true, false, true, false}));
}

TEST_F(Outputs, ReadingIsRoundedToEvenThousandths)
{
    pxr7xAlarm("2.003", "0", "100000");
    // 2.0025 is 2002.5 thousandths, which rounds to 2002: below the centre.
    EXPECT_EQ(lamp1({2.0025}), std::vector<bool>{false});
    EXPECT_EQ(lamp1({2.0035}), std::vector<bool>{true}); // 2003.5 -> 2004
}

TEST_F(Outputs, Pxr500cHasNoWindowEnd)
{
    model = kPXR500C;
    pxr500c.SetAC("2");
    pxr500c.SetAH("0.1");
    EXPECT_EQ(lamp1({2.05, 1000.0, 1.951, 1.95}), (std::vector<bool>{true, true, true, false}));
    pxr500c.SetAH("-0.1");
    EXPECT_EQ(lamp1({2.05, 1.95}), (std::vector<bool>{false, true}));
}

TEST_F(Outputs, Pxr501TwoOutputsWithLevels)
{
    model = kPXR501;
    pxr501.SetDefaults(false); // Q1 2/5000/0.1/1, Q2 4/5000/0.1/1
    out.UpdateSwitchOutputs({0, 3.0, true});
    EXPECT_TRUE(out.Led1On());
    EXPECT_FALSE(out.Led2On());
    out.UpdateSwitchOutputs({0, 4.05, true});
    EXPECT_TRUE(out.Led1On());
    EXPECT_TRUE(out.Led2On());
    out.UpdateSwitchOutputs({0, 6000.0, true}); // beyond Q1's window end 2 + 5000
    EXPECT_FALSE(out.Led1On());
    EXPECT_FALSE(out.Led2On());
    pxr501.SetQ1(3, "0"); // level 0 inverts
    out.UpdateSwitchOutputs({0, 6000.0, true});
    EXPECT_TRUE(out.Led1On());
}

TEST_F(Outputs, Pxr501WidthOffAndUnsignedHysteresis)
{
    model = kPXR501;
    pxr501.SetDefaults(false);
    pxr501.SetQ2(1, "100000"); // no window end
    out.UpdateSwitchOutputs({0, 1e6, true});
    EXPECT_TRUE(out.Led2On());
    // A negative Q2 hysteresis is taken as it is: the switching points swap.
    pxr501.SetQ2(2, "-0.1");
    out.ClearHysteresis();
    out.UpdateSwitchOutputs({0, 3.95, true});
    EXPECT_TRUE(out.Led2On());
    out.UpdateSwitchOutputs({0, 4.04, true});
    EXPECT_FALSE(out.Led2On());
}

TEST_F(Outputs, LampHookOnlyOnChange)
{
    pxr7xAlarm("2", "0.1", "100000");
    lamp1({2.1, 2.2, 2.3, 1.0, 0.5});
    EXPECT_EQ(lamps, (std::vector<std::pair<int, bool>>{{1, true}, {1, false}}));
}

struct SwitchErrorCase {
    DeviceType model;
    const char* se;
    const char* ah;    // PXR7X/PXR500C
    const char* l1;    // PXR501 Q1[3]
    const char* l2;    // PXR501 Q2[3]
    bool before;       // both lamps before the invalid reading
    bool led1, led2;   // after
};

TEST_F(Outputs, SwitchErrorStates)
{
    const SwitchErrorCase cases[] = {
        {kPXR7X, "1", "0.1", "", "", true, false, true},     {kPXR7X, "1", "-0.1", "", "", false, true, false},
        {kPXR7X, "2", "0.1", "", "", false, true, false},    {kPXR7X, "2", "-0.1", "", "", true, false, true},
        {kPXR7X, "1", "-0.0001", "", "", true, false, true}, {kPXR7X, "0", "0.1", "", "", true, true, true},
        {kPXR7X, "x", "0.1", "", "", false, false, false},   {kPXR500C, "1", "0.1", "", "", true, true, true},
        {kPXR501, "1", "", "0", "1", false, true, false},    {kPXR501, "1", "", "1", "0", false, false, true},
        {kPXR501, "2", "", "1", "0", false, true, false},    {kPXR501, "2", "", "0", "x", true, false, false},
        {kPXR501, "0", "", "1", "1", true, true, true},      {kPXR501, "", "", "1", "1", false, false, false},
    };
    for (const auto& c : cases) {
        model = c.model;
        pxr7x.SetSE(c.se);
        pxr7x.SetAH(c.ah);
        pxr500c.SetAH(c.ah);
        pxr501.SetSE(0, c.se);
        pxr501.SetQ1(3, c.l1);
        pxr501.SetQ2(3, c.l2);
        out.SetLed1(c.before);
        out.SetLed2(c.before);
        out.UpdateSwitchOutputs({0, 0.0, false});
        EXPECT_EQ(out.Led1On(), c.led1) << int(c.model) << " SE " << c.se << " AH " << c.ah << " L1 " << c.l1;
        EXPECT_EQ(out.Led2On(), c.led2) << int(c.model) << " SE " << c.se << " L2 " << c.l2;
    }
}

TEST_F(Outputs, InvalidReadingLeavesTheHysteresisMemory)
{
    pxr7xAlarm("2", "0.1", "1");
    pxr7x.SetSE("1");
    out.UpdateSwitchOutputs({0, 3.5, true}); // above centre and end
    ASSERT_TRUE(out.Out1CenterState());
    ASSERT_TRUE(out.Out1EndState());
    out.UpdateSwitchOutputs({0, 0.0, false});
    EXPECT_TRUE(out.Out1CenterState());
    EXPECT_TRUE(out.Out1EndState());
    out.ClearHysteresis();
    EXPECT_FALSE(out.Out1CenterState());
    EXPECT_FALSE(out.Out1EndState());
}

TEST_F(Outputs, TraceLines)
{
    std::vector<std::string> lines;
    setTraceSink([&](const std::string& l) { lines.push_back(l); });
    DebugTrace = true;
    pxr7xAlarm("2", "0.1", "100000");
    out.UpdateSwitchOutputs({0, 2.05, true});
    out.UpdateSwitchOutputs({0, 1.0, true});
    model = kPXR501;
    pxr501.SetDefaults(false);
    out.UpdateSwitchOutputs({0, 4.5, true});
    DebugTrace = false;
    setTraceSink(nullptr);
    const std::vector<std::string> expected = {
        "LED 1 On  v=2050 ac=2000 aw=0 ah=100",
        "LED 1 Off v=1000 ac=2000 aw=0 ah=100",
        "LED 2 On  v=4500 ac=4000 aw=5000000 ah=100",
        "LED 1 On  v=4500 ac=2000 aw=5000000 ah=100",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(Outputs, HugeReadingsDoNotOverflow)
{
    pxr7xAlarm("1e300", "1e300", "1e300");
    out.UpdateSwitchOutputs({0, 1e300, true}); // at the centre, below centre + hysteresis
    EXPECT_FALSE(out.Led1On());
    out.UpdateSwitchOutputs({0, -1e300, true});
    EXPECT_FALSE(out.Led1On());
    pxr7xAlarm("-1e300", "0", "1e300");
    out.UpdateSwitchOutputs({0, 1e300, true});
    EXPECT_TRUE(out.Led1On());
}

// ---- the instrument's scale ----

TEST(AnalogMeterScale, PerModelLine)
{
    struct Case {
        DeviceType model;
        int32_t min, max;
        ZoneColour zones;
        int ticks;
        const char* firstLabel;
        const char* lastLabel;
    } cases[] = {{kPXR7X, 3000, 21000, ZoneColour::Red, 19, "3", "21"},
                 {kPXR500C, 4000, 20000, ZoneColour::InfoBackground, 17, "4", "20"},
                 {kPXR501, 3000, 21000, ZoneColour::Red, 19, "3", "21"}};
    for (const auto& c : cases) {
        const AnalogMeterScale s = SetupAnalogMeter(c.model);
        EXPECT_EQ(s.minimum, c.min);
        EXPECT_EQ(s.maximum, c.max);
        EXPECT_EQ(s.lowZoneBelow, 3999);
        EXPECT_EQ(s.highZoneAbove, 20001);
        EXPECT_EQ(s.zoneColour, c.zones);
        EXPECT_EQ(s.normalColour, ZoneColour::InfoBackground);
        EXPECT_EQ(s.caption, "mA");
        const auto marks = s.tickMarks();
        ASSERT_EQ(int(marks.size()), c.ticks);
        EXPECT_EQ(marks.front().label, c.firstLabel);
        EXPECT_EQ(marks.back().label, c.lastLabel);
        EXPECT_EQ(marks[1].value - marks[0].value, 1000); // one tick per mA
    }
    EXPECT_EQ(AnalogMeterScale::label(12500), "12.5");
}
