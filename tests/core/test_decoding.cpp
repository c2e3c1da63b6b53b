// Decoding of the meter's reading lines for the three model lines.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "measurement/ReadingDecoder.h"
#include "base/Trace.h"
#include "support/RecordingSink.h"

using namespace pxr;
using pxr::test::RecordingSink;

namespace {

struct LineCase {
    const char* name;
    DeviceType model;
    std::string line; // as trimmed
    std::string valueText;
    bool valid;
    double value;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class LineForms : public ::testing::TestWithParam<LineCase> {};

// A text, whether it reads as a number, and the number it gives.
template <typename T>
struct NumberText {
    const char* text;
    bool ok;
    T value;
};

} // namespace

TEST_P(LineForms, ValueTextAndReading)
{
    const LineCase& c = GetParam();
    std::string text;
    CutValueText(c.model, c.line, false, text);
    EXPECT_EQ(text, c.valueText);
    double v = 123.0;
    EXPECT_EQ(DecodeReading(c.model, text, v), c.valid);
    if (c.valid) {
        EXPECT_NEAR(v, c.value, 1e-9);
    } else {
        EXPECT_EQ(v, 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllModelLines, LineForms,
    ::testing::Values(
        // PXR7X: decimal, decimal with signal strength, hexadecimal, error codes.
        LineCase{"Pxr7xDecimal", kPXR7X, "012.345", "012.345", true, 12.345},
        LineCase{"Pxr7xDecimalWithSignal", kPXR7X, "012.345 1234", "012.345", true, 12.345},
        LineCase{"Pxr7xNegativeScale", kPXR7X, "-05.003", "-05.003", true, -5.003},
        LineCase{"Pxr7xHex", kPXR7X, " 001388", "$001388", true, 5.0},
        LineCase{"Pxr7xHexEighthDigitNotRead", kPXR7X, " 0001E240", "$0001E24", true, 7.716},
        LineCase{"Pxr7xHexNegative", kPXR7X, " FFFFC18", "$FFFFFC18", true, -1.0},
        LineCase{"Pxr7xHexNegativeLowerCase", kPXR7X, " ffffc18", "$Fffffc18", true, -1.0},
        LineCase{"Pxr7xHexLargestPositive", kPXR7X, " 7FFFFFF", "$7FFFFFF", true, 134217.727},
        LineCase{"Pxr7xErrorCode", kPXR7X, "E15", "?", false, 0},
        LineCase{"Pxr7xLongErrorText", kPXR7X, "E123456", "E123456", false, 0},
        LineCase{"Pxr7xCutNumberIsNoNumber", kPXR7X, "12.34 1234", "12.34 1", false, 0},
        LineCase{"Pxr7xHexWithBlankIsNoNumber", kPXR7X, " 12 4567", "$12 4567", false, 0},
        LineCase{"Pxr7xSetOffsetEcho", kPXR7X, "SO 0.123", "SO 0.12", false, 0},
        LineCase{"Pxr7xCommaIsNoDecimalPoint", kPXR7X, "012,345", "012,345", false, 0},
        // PXR500C: 7 characters as the framer cuts them, or 8 from the simulation.
        LineCase{"Pxr500cField", kPXR500C, "0012.34", "0012.34", true, 12.34},
        LineCase{"Pxr500cSimulatedField", kPXR500C, "    5.00", "    5.00", true, 5.0},
        LineCase{"Pxr500cErrorValue", kPXR500C, "9999.90", "?", false, 0},
        LineCase{"Pxr500cErrorValueSimulated", kPXR500C, " 9999.90", "?", false, 0},
        LineCase{"Pxr500cDollarMeansNothing", kPXR500C, "$001388", "$001388", false, 0},
        LineCase{"Pxr500cLongLineCutAt8", kPXR500C, "12.3456789", "12.34567", true, 12.34567},
        // PXR501/502: the distance is the first field whatever else the line carries.
        LineCase{"Pxr501Decimal", kPXR501, "D 0012.345", " 0012.345", true, 12.345},
        LineCase{"Pxr501DecimalNegative", kPXR501, "D-0005.003", "-0005.003", true, -5.003},
        LineCase{"Pxr501DecimalWithTemperature", kPXR501, "D 0012.345 +25.6", " 0012.345", true, 12.345},
        LineCase{"Pxr501DecimalWithSignal", kPXR501, "D 0005.003 01404", " 0005.003", true, 5.003},
        LineCase{"Pxr501DecimalWithSignalAndTemperature", kPXR501, "D 0005.003 01404 +25.6", " 0005.003",
                 true, 5.003},
        LineCase{"Pxr501Hex", kPXR501, "H0012AB", "$0012AB", true, 4.779},
        LineCase{"Pxr501HexNegative", kPXR501, "HFFFC18", "$FFFFFC18", true, -1.0},
        LineCase{"Pxr501HexWithSignal", kPXR501, "H0012AB 057A", "$0012AB", true, 4.779},
        LineCase{"Pxr501HexWithTemperature", kPXR501, "H0012AB 100", "$0012AB", true, 4.779},
        LineCase{"Pxr501HexWithSignalAndTemperature", kPXR501, "H0012AB 057A 100", "$0012AB", true, 4.779},
        LineCase{"Pxr501HexError", kPXR501, "HE02", "?", false, 0},
        LineCase{"Pxr501DecimalError", kPXR501, "DE02    00000 +25.6", "?", false, 0},
        LineCase{"Pxr501Identification", kPXR501, "PXR501 V1.0", "$XR501 ", false, 0},
        LineCase{"Pxr501HexWithBlankIsNoNumber", kPXR501, "H12 4567", "$12 456", false, 0},
        LineCase{"Pxr501ShortDecimal", kPXR501, "D 5.0", " 5.0", true, 5.0}),
    [](const ::testing::TestParamInfo<LineCase>& i) { return std::string(i.param.name); });

TEST(DecodeDecimal, Grammar)
{
    const NumberText<double> cases[] = {
        {"12.345", true, 12.345}, {"  1.5", true, 1.5},   {"+5", true, 5},      {"-0.5", true, -0.5},
        {".5", true, 0.5},        {"5.", true, 5},        {"1.5e3", true, 1500}, {"-2E-3", true, -0.002},
        {"1.5 ", false, 0},       {"1,5", false, 0},      {"", false, 0},       {"?", false, 0},
        {"-", false, 0},          {"+", false, 0},        {"1e", false, 0},     {"1e+", false, 0},
        {"inf", false, 0},        {"nan", false, 0},      {"0x10", false, 0},   {"1e999", false, 0},
        {"1 2", false, 0},        {"+-1", false, 0},      {"--1", false, 0},    {".", false, 0},
    };
    for (const auto& c : cases) {
        double v = 99;
        EXPECT_EQ(DecodeDecimal(c.text, v), c.ok) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
}

TEST(DecodeReading, HexadecimalCounts)
{
    struct Case {
        DeviceType model;
        const char* text;
        bool valid;
        double value;
    } cases[] = {
        {kPXR7X, "$FFFFFFFF", true, -0.001}, {kPXR7X, "$7FFFFFFF", true, 2147483.647},
        {kPXR7X, "$80000000", true, -2147483.648}, {kPXR501, "$00000a", true, 0.010},
        {kPXR7X, "$123456789", false, 0},    {kPXR7X, "$", false, 0},
        {kPXR501, "$1G", false, 0},          {kPXR7X, "E", false, 0},
        {kPXR500C, "E5", false, 0},          {kPXR501, "?", false, 0},
    };
    for (const auto& c : cases) {
        double v = 99;
        EXPECT_EQ(DecodeReading(c.model, c.text, v), c.valid) << c.text;
        EXPECT_NEAR(v, c.value, 1e-9) << c.text;
    }
}

TEST(TextToInt, ParameterAndLevelTexts)
{
    const NumberText<int32_t> cases[] = {
        {"1", true, 1},       {"  -2", true, -2},  {"+3", true, 3},   {"$057A", true, 1402},
        {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0}, {"1 ", false, 0}, {"", false, 0},    {"1.0", false, 0},
        {"x", false, 0},      {"$", false, 0},     {"-", false, 0},
        {"-2147483649", false, 0}, {"99999999999999999999", false, 0}, {"- 1", false, 0},
    };
    for (const auto& c : cases) {
        int32_t v = 99;
        EXPECT_EQ(TryTextToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    EXPECT_EQ(TextToIntDef("abc", 10), 10);
}

TEST(TrimTrailingControls, RemovesEverythingUpToBlankAtTheEnd)
{
    EXPECT_EQ(TrimTrailingControls("012.345\r\n"), "012.345");
    EXPECT_EQ(TrimTrailingControls(" 001388 \t\r\n\x01"), " 001388");
    EXPECT_EQ(TrimTrailingControls("\r\n"), "");
    EXPECT_EQ(TrimTrailingControls(std::string("1\0", 2)), "1");
}

// ---- signal levels for the signal-strength dialog ----

TEST(SignalLevels, WhileTheDialogIsOpen)
{
    struct Case {
        DeviceType model;
        const char* line;
        bool hasLevel;
        int32_t level;
        bool valid; // the reading itself
    } cases[] = {
        {kPXR500C, "    1500", true, 1500, false},
        {kPXR500C, " 9999.90", true, 0, false},
        {kPXR500C, "   x", true, 0, false},
        {kPXR501, "D 0005.003 01404", true, 1404, true},
        {kPXR501, "H0012AB 057A", true, 1402, true},
        {kPXR501, "D 0005.003", true, 0, true},
        {kPXR501, "DE02    00000", true, 0, false},
        {kPXR501, "H0012AB ZZZZ", true, 0, true},
        {kPXR7X, "012.345", false, 0, true},
    };
    for (const auto& c : cases) {
        std::string text;
        const CutResult r = CutValueText(c.model, c.line, true, text);
        EXPECT_EQ(r.hasLevel, c.hasLevel) << c.line;
        EXPECT_EQ(r.level, c.level) << c.line;
        double v = 0;
        EXPECT_EQ(DecodeReading(c.model, text, v), c.valid) << c.line;
    }
    std::string text;
    EXPECT_FALSE(CutValueText(kPXR501, "D 0005.003 01404", false, text).hasLevel);
}

// ---- the handler ----

namespace {

// The fixture is the signal-strength dialog: its levels are calls as well.
struct Handler : ::testing::Test, SignalLevelDisplay {
    DeviceType model = kPXR7X;
    double clock = 10.0;
    int clockReads = 0;
    Stopwatch timer{[this] {
        ++clockReads;
        return clock;
    }};
    std::vector<std::string> calls;
    std::vector<double> times;
    std::vector<int32_t> levels;
    bool dialog = false;
    bool signalDialogOpen() const override { return dialog; }
    void ShowSignalLevel(int32_t l) override
    {
        calls.push_back("level");
        levels.push_back(l);
    }
    MeasurementDecoding dec{model, timer, this};
    // Attached in the program's order.
    RecordingSink diagram, analog, switching, logSink;
    void SetUp() override
    {
        timer.Start();
        diagram.onReading = [this](const Reading& r) {
            calls.push_back(std::string("diagram ") + (r.valid ? std::to_string(r.value) : "gap"));
            times.push_back(r.t);
        };
        analog.onReading = [this](const Reading& r) { calls.push_back(r.valid ? "analog" : "analog invalid"); };
        switching.onReading = [this](const Reading& r) { calls.push_back(r.valid ? "switch" : "switch invalid"); };
        logSink.onReading = [this](const Reading& r) {
            calls.push_back(r.valid ? "log" : "log invalid");
            times.push_back(r.t);
        };
        for (RecordingSink* sink : {&diagram, &analog, &switching, &logSink})
            dec.addSink(*sink);
    }
};

} // namespace

TEST_F(Handler, ConsumersInOrderWithOneTimeStamp)
{
    model = kPXR501;
    dialog = true;
    clock = 12.5;
    clockReads = 0;
    dec.ComDataPacket_messPacket("D 0005.003 01404\r\n");
    const std::vector<std::string> expected = {"level", "diagram 5.003000", "analog", "switch", "log"};
    EXPECT_EQ(calls, expected);
    ASSERT_EQ(times.size(), 2u);
    EXPECT_DOUBLE_EQ(times[0], 2.5);
    EXPECT_DOUBLE_EQ(times[1], 2.5);
    EXPECT_EQ(clockReads, 1);
    EXPECT_EQ(levels, std::vector<int32_t>{1404});
}

TEST_F(Handler, InvalidReadingStillReachesEveryConsumer)
{
    dec.ComDataPacket_messPacket("E15\r\n");
    const std::vector<std::string> expected = {"diagram gap", "analog invalid", "switch invalid", "log invalid"};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(dec.readingCount(), 1u);
}

TEST_F(Handler, ShortLineOnlyUpdatesTheInputDisplay)
{
    clockReads = 0;
    dec.ComDataPacket_messPacket("ok\r\n");
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(dec.LastMessLine(), "ok");
    EXPECT_EQ(clockReads, 0);
    EXPECT_EQ(dec.readingCount(), 0u);
}

TEST_F(Handler, LastLineIsTheTrimmedLine)
{
    dec.ComDataPacket_messPacket("012.345 \r\n");
    EXPECT_EQ(dec.LastMessLine(), "012.345");
    dec.ComDataPacket_messPacket("\r\n");
    EXPECT_EQ(dec.LastMessLine(), "");
}

TEST_F(Handler, TraceLine)
{
    std::vector<std::string> lines;
    setTraceSink([&](const std::string& l) { lines.push_back(l); });
    DebugTrace = true;
    dec.ComDataPacket_messPacket(" 001388\r\n");
    DebugTrace = false;
    setTraceSink(nullptr);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "MessPacket=< 001388>");
}

TEST(HandlerClock, NeverStartedTimeBaseGivesZero)
{
    DeviceType model = kPXR7X;
    Stopwatch timer{[] { return 50.0; }};
    MeasurementDecoding dec{model, timer};
    RecordingSink seen;
    dec.addSink(seen);
    dec.ComDataPacket_messPacket("001.000");
    ASSERT_EQ(seen.readings.size(), 1u);
    EXPECT_EQ(seen.readings[0].t, 0.0);
}

TEST(HandlerRobustness, GarbageNeverGivesNonFiniteReadings)
{
    std::mt19937 rng(7);
    for (DeviceType model : {kPXR7X, kPXR500C, kPXR501}) {
        Stopwatch timer{[] { return 1.0; }};
        int bad = 0, readings = 0;
        MeasurementDecoding dec{model, timer};
        RecordingSink sink;
        sink.onReading = [&](const Reading& r) {
            ++readings;
            if (!std::isfinite(r.t) || (r.valid && !std::isfinite(r.value)))
                ++bad;
        };
        dec.addSink(sink);
        const std::string alphabet = "0123456789ABCDEFabcdef.+-eE$ DH?\x1b\r\n\t\xff";
        for (int i = 0; i < 20000; ++i) {
            std::string line(rng() % 30, ' ');
            for (char& ch : line)
                ch = alphabet[rng() % alphabet.size()];
            dec.ComDataPacket_messPacket(line);
        }
        EXPECT_EQ(bad, 0);
        EXPECT_GT(readings, 1000);
    }
}
