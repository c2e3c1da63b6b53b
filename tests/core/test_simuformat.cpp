// Reading lines and output intervals of the simulated device.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "simulation/SimuFormat.h"

using namespace pxr;

namespace {

// Hands out the given numbers in order, then zeros; counts the draws.
struct Dice {
    std::vector<int> values;
    size_t next = 0;
    SimuRandom random()
    {
        return [this] { return next < values.size() ? values[next++] : (++next, 0); };
    }
};

struct LineCase {
    const char* name;
    DeviceType device;
    const char* content;
    bool dialog;
    int64_t a;
    bool noise;
    bool hex;
    bool error;
    double k;
    std::vector<int> dice;
    const char* expected;
};

const LineCase kLineCases[] = {
    // PXR7X
    {"7x_hex_example", kPXR7X, "", false, 4779, false, true, false, 1, {}, " 0012AB"},
    {"7x_decimal_example", kPXR7X, "", false, 5003, false, false, false, 1, {}, "005.003"},
    {"7x_noise_added", kPXR7X, "", false, 5000, true, false, false, 1, {3}, "005.003"},
    {"7x_negative_scale", kPXR7X, "", false, 5003, false, false, false, -1, {}, "-05.003"},
    {"7x_hex_negative_cut_to_7", kPXR7X, "", false, 1000, false, true, false, -1, {}, " FFFFC18"},
    {"7x_hex_long_cut_to_7", kPXR7X, "", false, 0x12345678, false, true, false, 1, {}, " 2345678"},
    {"7x_hex_short_zero_padded", kPXR7X, "", false, 5000, false, true, false, 1, {}, " 001388"},
    {"7x_decimal_long_not_padded", kPXR7X, "", false, 1234567, false, false, false, 1, {}, "1234.567"},
    {"7x_scale_tenth", kPXR7X, "", false, 5003, false, false, false, 0.1, {}, "000.500"},
    {"7x_scale_ten", kPXR7X, "", false, 5003, false, false, false, 10, {}, "050.030"},
    {"7x_just_below_zero_keeps_sign_first", kPXR7X, "", false, -4, false, false, false, 1, {}, "-00.004"},
    {"7x_error", kPXR7X, "", false, 5000, true, true, true, 1, {}, "E10"},
    // PXR500C
    {"500c_example", kPXR500C, "", false, 5003, false, false, false, 1, {}, "    5.00"},
    {"500c_hex_ignored", kPXR500C, "", false, 5003, false, true, false, 1, {}, "    5.00"},
    {"500c_scale", kPXR500C, "", false, 5003, false, false, false, 1000, {}, " 5003.00"},
    {"500c_error", kPXR500C, "", false, 5003, false, false, true, 1, {}, " 9999.90"},
    {"500c_signal_level", kPXR500C, "", true, 5003, true, false, true, 1, {7}, "    1507"},
    // PXR501/502, hexadecimal
    {"501_hex_example", kPXR501, "0", false, 4779, false, true, false, 1, {}, "H0012AB"},
    {"501_hex_signal", kPXR501, "1", false, 4779, false, true, false, 1, {5}, "H0012AB 057D"},
    {"501_hex_temperature", kPXR501, "2", false, 4779, false, true, false, 1, {}, "H0012AB 100"},
    {"501_hex_signal_temperature", kPXR501, "3", false, 4779, false, true, false, 1, {9}, "H0012AB 0581 100"},
    {"501_hex_negative_cut_to_6", kPXR501, "0", false, 1000, false, true, false, -1, {}, "HFFFC18"},
    {"501_hex_long_cut_to_6", kPXR501, "", false, 0x1234567, false, true, false, 1, {}, "H234567"},
    // PXR501/502, decimal
    {"501_decimal_example", kPXR501, "1", false, 5003, false, false, false, 1, {4}, "D 0005.003 01404"},
    {"501_decimal_plain", kPXR501, "0", false, 5003, false, false, false, 1, {}, "D 0005.003"},
    {"501_decimal_temperature", kPXR501, "2", false, 5003, false, false, false, 1, {}, "D 0005.003 +25.6"},
    {"501_decimal_signal_temperature", kPXR501, "3", false, 5003, false, false, false, 1, {0}, "D 0005.003 01400 +25.6"},
    {"501_content_compared_exactly", kPXR501, " 1", false, 5003, false, false, false, 1, {}, "D 0005.003"},
    {"501_negative_scale", kPXR501, "0", false, 5003, false, false, false, -1, {}, "D-0005.003"},
    {"501_noise_then_level", kPXR501, "1", false, 5000, true, false, false, 1, {3, 6}, "D 0005.003 01406"},
    // PXR501/502 error lines
    {"501_error_hex", kPXR501, "0", false, 0, false, true, true, 1, {}, "HE02   "},
    {"501_error_hex_signal", kPXR501, "1", false, 0, false, true, true, 1, {}, "HE02    0000"},
    {"501_error_hex_temperature", kPXR501, "2", false, 0, false, true, true, 1, {}, "HE02    100"},
    {"501_error_hex_both", kPXR501, "3", false, 0, false, true, true, 1, {}, "HE02    0000 100"},
    {"501_error_decimal", kPXR501, "", false, 0, false, false, true, 1, {}, "DE02   "},
    {"501_error_decimal_signal", kPXR501, "1", false, 0, false, false, true, 1, {}, "DE02    00000"},
    {"501_error_decimal_temperature", kPXR501, "2", false, 0, false, false, true, 1, {}, "DE02    +25.6"},
    {"501_error_decimal_both", kPXR501, "3", false, 0, false, false, true, 1, {}, "DE02    00000 +25.6"},
};

class GenerateSimuLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(GenerateSimuLineTest, Line)
{
    const LineCase& c = GetParam();
    SimuLineFormat f;
    f.deviceType = c.device;
    f.content = c.content;
    f.signalDialogOpen = c.dialog;
    Dice dice{c.dice};
    EXPECT_EQ(GenerateSimuLine(f, c.a, c.noise, c.hex, c.error, c.k, dice.random()), c.expected);
    // Every number prepared for the case was used, and no more.
    EXPECT_EQ(dice.next, c.dice.size());
}

INSTANTIATE_TEST_SUITE_P(Formats, GenerateSimuLineTest, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GenerateSimuLine, NoiseOverFiveMetresGivesTheTenLines)
{
    SimuLineFormat f;
    std::set<std::string> seen;
    for (int r = 0; r < 10; ++r) {
        Dice dice{{r}};
        seen.insert(GenerateSimuLine(f, 5000, true, false, false, 1, dice.random()));
    }
    const std::set<std::string> expected = {"005.000", "005.001", "005.002", "005.003", "005.004",
                                            "005.005", "005.006", "005.007", "005.008", "005.009"};
    EXPECT_EQ(seen, expected);
}

TEST(GenerateSimuLine, OutOfRangeRandomIsClamped)
{
    SimuLineFormat f;
    Dice high{{42}};
    EXPECT_EQ(GenerateSimuLine(f, 5000, true, false, false, 1, high.random()), "005.009");
    Dice low{{-3}};
    EXPECT_EQ(GenerateSimuLine(f, 5000, true, false, false, 1, low.random()), "005.000");
}

// ---- parameter values ----

SimuParameter params(std::map<std::string, std::vector<std::string>> values)
{
    return [values](const std::string& code, int index) {
        auto it = values.find(code);
        if (it == values.end() || index >= static_cast<int>(it->second.size()))
            return std::string();
        return it->second[static_cast<size_t>(index)];
    };
}

TEST(ReadSimuSettings, PXR7X)
{
    SimuSettings s = ReadSimuSettings(kPXR7X, params({{"SF", {"10"}}, {"OF", {"0.5"}}, {"SD", {"H"}}}));
    EXPECT_DOUBLE_EQ(s.k, 10);
    EXPECT_DOUBLE_EQ(s.o, 0.5);
    EXPECT_TRUE(s.hex);
    EXPECT_FALSE(ReadSimuSettings(kPXR7X, params({{"SD", {"d"}}})).hex);
    EXPECT_FALSE(ReadSimuSettings(kPXR7X, params({{"SD", {"s"}}})).hex);
}

TEST(ReadSimuSettings, NotANumberFallsBack)
{
    // "," is no decimal separator for the meter's numbers; a trailing blank spoils a number.
    for (const char* bad : {"abc", "1,5", "2 ", "", "-", "1e999"}) {
        SimuSettings s = ReadSimuSettings(kPXR7X, params({{"SF", {bad}}, {"OF", {bad}}}));
        EXPECT_DOUBLE_EQ(s.k, 1) << bad;
        EXPECT_DOUBLE_EQ(s.o, 0) << bad;
    }
    EXPECT_DOUBLE_EQ(ReadSimuSettings(kPXR7X, params({{"SF", {" -1"}}})).k, -1);
}

TEST(ReadSimuSettings, PXR500CHasNoOffsetAndNoHex)
{
    SimuSettings s = ReadSimuSettings(kPXR500C, params({{"SF", {"0.1"}}, {"OF", {"3"}}, {"SD", {"h"}}}));
    EXPECT_DOUBLE_EQ(s.k, 0.1);
    EXPECT_DOUBLE_EQ(s.o, 0);
    EXPECT_FALSE(s.hex);
}

TEST(ReadSimuSettings, PXR501UsesBothSdValues)
{
    SimuSettings s = ReadSimuSettings(kPXR501, params({{"SF", {"-2"}}, {"OF", {"1"}}, {"SD", {"1", "3"}}}));
    EXPECT_DOUBLE_EQ(s.k, -2);
    EXPECT_DOUBLE_EQ(s.o, 1);
    EXPECT_TRUE(s.hex);
    EXPECT_EQ(s.content, "3");
    EXPECT_FALSE(ReadSimuSettings(kPXR501, params({{"SD", {"0", "1"}}})).hex);
    EXPECT_FALSE(ReadSimuSettings(kPXR501, params({{"SD", {"2", "1"}}})).hex);
}

// ---- intervals ----

struct ModeCase {
    uint8_t mode;
    const char* st;
    int64_t ms;
};

TEST(ComputeSimuInterval, ByModeAndST)
{
    const ModeCase cases[] = {
        {1, "0", 160},   {1, "2", 480}, {1, "0.5", 120}, {1, "abc", 160}, {2, "0", 160},
        {2, "2", 300},   {3, "7", 100}, {4, "7", 20},    {0, "2", 500},   {9, "0", 500},
    };
    for (const ModeCase& c : cases)
        EXPECT_EQ(ComputeSimuInterval(c.mode, c.st), c.ms) << int(c.mode) << " ST " << c.st;
}

TEST(SimuOutputInterval, PerModelLine)
{
    EXPECT_EQ(SimuOutputInterval(kPXR7X, 3, params({})), 100);
    EXPECT_EQ(SimuOutputInterval(kPXR7X, 1, params({{"ST", {"2"}}})), 480);
    EXPECT_EQ(SimuOutputInterval(kPXR500C, 0, params({{"SA", {"1"}}})), 10);
    EXPECT_EQ(SimuOutputInterval(kPXR500C, 0, params({{"SA", {"0.5"}}})), 5);
    EXPECT_EQ(SimuOutputInterval(kPXR500C, 0, params({{"SA", {"x"}}})), 10);
    EXPECT_EQ(SimuOutputInterval(kPXR501, 0, params({{"SA", {"10"}}, {"MF", {"2000"}}})), 5);
    EXPECT_EQ(SimuOutputInterval(kPXR501, 0, params({{"SA", {"100"}}, {"MF", {"2000"}}})), 50);
    EXPECT_EQ(SimuOutputInterval(kPXR501, 0, params({{"SA", {"200"}}, {"MF", {"2000"}}})), 100);
    EXPECT_EQ(SimuOutputInterval(kPXR501, 0, params({{"SA", {"2"}}, {"MF", {"0"}}})), 2000);
    EXPECT_EQ(SimuOutputInterval(kPXR501, 0, params({{"SA", {"x"}}, {"MF", {"100"}}})), 10);
    EXPECT_EQ(SimuOutputInterval(kPXR501, 0, params({{"SA", {"-10"}}, {"MF", {"100"}}})), -100);
}

TEST(ApplySimuInterval, OnlyChangesAboveNine)
{
    uint32_t applied = 500;
    EXPECT_FALSE(ApplySimuInterval(applied, 5));
    EXPECT_EQ(applied, 500u);
    EXPECT_FALSE(ApplySimuInterval(applied, 9));
    EXPECT_TRUE(ApplySimuInterval(applied, 10));
    EXPECT_EQ(applied, 10u);
    EXPECT_FALSE(ApplySimuInterval(applied, 10));
    // A negative interval is a huge unsigned one: applied, the output practically stops.
    EXPECT_TRUE(ApplySimuInterval(applied, -100));
    EXPECT_EQ(applied, 4294967196u);
}

// ---- one tick's arguments ----

TEST(SimuBaseDistance, TruncatesDistanceRoundsOffset)
{
    EXPECT_EQ(SimuBaseDistance(5, 0), 5000);
    EXPECT_EQ(SimuBaseDistance(4.5, 0.25), 4750);
    EXPECT_EQ(SimuBaseDistance(5.0009, 0), 5000);
    EXPECT_EQ(SimuBaseDistance(5, 0.0006), 5001);
    EXPECT_EQ(SimuBaseDistance(5, -5.004), -4);
}

TEST(SimuRampStep, WithoutRampAlwaysBaseWithNoise)
{
    for (int n : {0, 49, 90, 95, 99}) {
        SimuStep s = SimuRampStep(n, 5000, false);
        EXPECT_EQ(s.a, 5000);
        EXPECT_TRUE(s.noise);
        EXPECT_FALSE(s.error);
    }
}

TEST(SimuRampStep, OneCycle)
{
    struct Row {
        int n;
        int64_t a;
        bool noise;
        bool error;
    };
    const Row rows[] = {
        {0, 5000, true, false},  {1, 5040, true, false},  {49, 6960, true, false}, {50, 7000, true, false},
        {89, 5440, true, false}, {90, 0, false, true},    {95, 0, false, true},    {96, 5000, false, false},
        {99, 5000, false, false},
    };
    for (const Row& r : rows) {
        SimuStep s = SimuRampStep(r.n, 5000, true);
        EXPECT_EQ(s.a, r.a) << r.n;
        EXPECT_EQ(s.noise, r.noise) << r.n;
        EXPECT_EQ(s.error, r.error) << r.n;
    }
    int errors = 0;
    for (int n = 0; n < 100; ++n)
        errors += SimuRampStep(n, 5000, true).error ? 1 : 0;
    EXPECT_EQ(errors, 6);
}

} // namespace
