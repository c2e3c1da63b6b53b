// The editor's step buttons and the heater check of PXR501/502, on the
// fields' texts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/ParameterTable.h"
#include "parameters/ParameterEditor.h"

using namespace pxr;

namespace {

const StepDirection Up = StepDirection::Up;
const StepDirection Down = StepDirection::Down;

const ValueDef& valueOf(DeviceType line, const std::string& control)
{
    std::size_t index = 0;
    const ParameterDef* def = findControl(line, control, &index);
    EXPECT_NE(def, nullptr) << control;
    return def->values.at(index);
}

} // namespace

TEST(StepNumber, BringsAnyTextIntoTheRange)
{
    struct Case {
        const char* text;
        int low, high;
        StepDirection direction;
        const char* expected;
    } cases[] = {
        {"0", 0, 25, Down, "0"},     {"0", 0, 25, Up, "1"},       {"25", 0, 25, Up, "25"},
        {"24", 0, 25, Up, "25"},     {"", 1, 20, Up, "1"},        {"", 1, 20, Down, "1"},
        {"", 0, 30000, Down, "0"},   {"abc", 1, 10000, Up, "1"},  {"abc", 1, 10000, Down, "1"},
        {"40", 0, 25, Up, "25"},     {"40", 0, 25, Down, "25"},   {"2.5", 0, 25, Up, "1"},
        {"  7", 0, 25, Up, "8"},     {"+7", 0, 25, Down, "6"},    {"-3", -5, 5, Down, "-4"},
        {"-9", 0, 2, Up, "0"},       {"007", 0, 25, Up, "8"},     {"7 ", 0, 25, Up, "1"},
        {"-", 0, 25, Up, "1"},       {"1,5", 0, 25, Up, "1"},     {"0x1", 0, 25, Up, "1"},
        {"99999999999999999999999", 0, 25, Down, "25"},
        {"-99999999999999999999999", 0, 25, Up, "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepNumber(c.text, c.low, c.high, c.direction), c.expected)
            << '"' << c.text << "\" " << c.low << ".." << c.high;
}

TEST(StepListItem, WalksThroughTheFieldsList)
{
    struct Case {
        DeviceType line;
        const char* control;
        const char* text;
        StepDirection direction;
        const char* expected;
    } cases[] = {
        {kPXR7X, "cb_sf", "1000", Up, "1000"},  {kPXR7X, "cb_sf", "1000", Down, "100"},
        {kPXR7X, "cb_sf", "0.01", Down, "0.01"}, {kPXR7X, "cb_sd", "D", Up, "h"},
        {kPXR7X, "cb_as", "xx", Up, "dt"},      {kPXR7X, "cb_as", "xx", Down, "dt"},
        {kPXR7X, "cb_as", "", Up, "dt"},        {kPXR7X, "cb_as", "DT", Up, "ds"},
        {kPXR501, "cb_as_2", "id", Down, "id"}, {kPXR501, "cb_as_2", "vm", Up, "vt"},
        {kPXR501, "cb_as_2", "vt", Up, "vt"},   {kPXR500C, "cb_as_1", "dt", Up, "df"},
        {kPXR500C, "cb_as_1", " dt", Up, "dt"}, // the blank makes it no entry
    };
    for (const Case& c : cases) {
        const ValueDef& def = valueOf(c.line, c.control);
        ASSERT_EQ(def.kind, EditorKind::List) << c.control;
        EXPECT_EQ(StepListItem(c.text, def.list, c.direction), c.expected) << c.control << " " << c.text;
    }
    EXPECT_EQ(StepListItem("abc", {}, Up), "abc");
}

TEST(StepNumber, RangesOfTheTablesFieldsHoldAtBothEnds)
{
    // Every numeric field: down from far below gives its low bound, up from
    // far above its high bound, and a step inside moves by one.
    for (DeviceType line : {kPXR7X, kPXR500C, kPXR501}) {
        for (const ParameterDef& def : parameterTable(line)) {
            for (const ValueDef& v : def.values) {
                if (v.kind != EditorKind::Numeric)
                    continue;
                SCOPED_TRACE(v.control);
                EXPECT_EQ(StepNumber("-100000", v.low, v.high, Down), std::to_string(v.low));
                EXPECT_EQ(StepNumber("100000", v.low, v.high, Up), std::to_string(v.high));
                EXPECT_EQ(StepNumber(std::to_string(v.low), v.low, v.high, Up), std::to_string(v.low + 1));
            }
        }
    }
}

TEST(HeaterCheck, LimitsAndOrderOfTheTwoTemperatures)
{
    struct Case {
        const char* on;
        const char* off;
        char separator;
        const char* onAfter;
        const char* offAfter;
    } cases[] = {
        {"50", "30", '.', "30", "30"},       // cut to 40, then to the switch-off 30
        {"-70", "50", '.', "-60", "45"},
        {"10", "", '.', "10", ""},           // one field empty: nothing happens
        {"", "-100", '.', "", "-100"},
        {"abc", "20", '.', "abc", "20"},     // 0 is fine; the text stays as typed
        {"12,5", "10", '.', "10", "10"},
        {"12,5", "20", '.', "12,5", "20"},   // unchanged text keeps its comma
        {"5", "4,5", ',', "4,5", "4,5"},     // fraction in the regional notation
        {"5", "4.5", '.', "4.5", "4.5"},
        {"5", "4.25", ',', "4,25", "4.25"},
        {"40.5", "45", ',', "40", "45"},     // whole numbers have no separator
        {"-60", "-60", '.', "-60", "-60"},   // the limits themselves are allowed
        {"-60.1", "46", '.', "-60", "45"},
        {"0", "-0.5", ',', "-0,5", "-0.5"},
        {"1", "-0", '.', "0", "-0"},         // no "-0" when the value is written
        {"xyz", "-61", '.', "-60", "-60"},   // 0 is then above the switch-off -60
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.on) + " / " + c.off);
        const HeaterCheckResult r = HeaterCheck(c.on, c.off, c.separator);
        EXPECT_EQ(r.on, c.onAfter);
        EXPECT_EQ(r.off, c.offAfter);
        EXPECT_EQ(r.onChanged, std::string(c.on) != c.onAfter);
        EXPECT_EQ(r.offChanged, std::string(c.off) != c.offAfter);
    }
}

TEST(HeaterCheck, LimitsComeFromTheTable)
{
    const ValueDef& on = valueOf(kPXR501, "cb_he_2_1");
    const ValueDef& off = valueOf(kPXR501, "cb_he_2_2");
    EXPECT_TRUE(on.heaterCheck);
    EXPECT_TRUE(off.heaterCheck);
    HeaterLimits limits;
    limits.onLow = on.low;
    limits.onHigh = on.high;
    limits.offLow = off.low;
    limits.offHigh = off.high;
    const HeaterCheckResult r = HeaterCheck("1000", "1000", '.', limits);
    EXPECT_EQ(r.on, "40");
    EXPECT_EQ(r.off, "45");
}

TEST(FormatRegionalNumber, FifteenSignificantDigitsNoTrailingZeros)
{
    EXPECT_EQ(formatRegionalNumber(45, ','), "45");
    EXPECT_EQ(formatRegionalNumber(-60, ','), "-60");
    EXPECT_EQ(formatRegionalNumber(12.5, ','), "12,5");
    EXPECT_EQ(formatRegionalNumber(0.1, '.'), "0.1");
    EXPECT_EQ(formatRegionalNumber(1.0 / 3.0, '.'), "0.333333333333333");
    EXPECT_EQ(formatRegionalNumber(-0.0, '.'), "0");
}
