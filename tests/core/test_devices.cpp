// Parameter sets of the three model lines: tables, setters with the comma
// rule and write-through, whole-set operations, joining and splitting.

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "devices/FieldBinding.h"
#include "devices/ParameterSets.h"
#include "devices/ParameterTable.h"

using namespace pxr;

namespace {

// Keeps the fields like MapFieldBinding and logs every write in order.
class RecordingBinding : public MapFieldBinding {
public:
    void setFieldText(const std::string& control, const std::string& text) override
    {
        writes.emplace_back(control, text);
        MapFieldBinding::setFieldText(control, text);
    }
    std::vector<std::pair<std::string, std::string>> writes;
};

using Getter = std::function<std::string()>;
using Setter = std::function<void(const std::string&)>;

// One value of a set: its named accessors, its
// generic address, its control and its factory value(s).
struct ValueRow {
    std::string code;
    std::size_t index;
    std::string control;
    Getter get;
    Setter set;
    std::string factory;
    std::string factory502; // differs on PXR502 only where given
};

#define SCALAR(obj, Code, control, factory)                                                     \
    ValueRow{#Code, 0, control, [&obj] { return obj.Get##Code(); },                            \
             [&obj](const std::string& v) { obj.Set##Code(v); }, factory, factory}
#define INDEXED(obj, Code, i, control, factory)                                                 \
    ValueRow{#Code, i, control, [&obj] { return obj.Get##Code(i); },                           \
             [&obj](const std::string& v) { obj.Set##Code(i, v); }, factory, factory}

std::vector<ValueRow> rowsPXR7x(TPXR7x& s)
{
    return {
        SCALAR(s, ST, "cb_st", "0"),          SCALAR(s, SA, "cb_sa", "1"),
        INDEXED(s, TD, 0, "cb_td", "0"),      INDEXED(s, TD, 1, "cb_tl", "0"),
        INDEXED(s, TM, 0, "cb_tm", "0"),      INDEXED(s, TM, 1, "cb_tml", "1"),
        SCALAR(s, SF, "cb_sf", "1"),          SCALAR(s, OF, "cb_of", "0"),
        SCALAR(s, AS, "cb_as", "dt"),         SCALAR(s, SE, "cb_se", "2"),
        INDEXED(s, RM, 0, "cb_rmx", "0"),     INDEXED(s, RM, 1, "cb_rmy", "0"),
        INDEXED(s, RM, 2, "cb_rmz", "0"),     SCALAR(s, SD, "cb_sd", "d"),
        SCALAR(s, RB, "cb_rb", "0"),          SCALAR(s, RE, "cb_re", "40"),
        SCALAR(s, AC, "cb_ac", "2"),          SCALAR(s, AH, "cb_ah", "0.1"),
        SCALAR(s, AW, "cb_aw", "100000"),
    };
}

std::vector<ValueRow> rowsPXR500C(TPXR500C& s)
{
    return {
        SCALAR(s, SA, "cb_sa_1", "10"),   INDEXED(s, TD, 0, "cb_td_1", "0"),
        INDEXED(s, TD, 1, "cb_tl_1", "0"), SCALAR(s, SF, "cb_sf_1", "1"),
        SCALAR(s, AS, "cb_as_1", "dt"),   SCALAR(s, RB, "cb_rb_1", "0"),
        SCALAR(s, RE, "cb_re_1", "50"),   SCALAR(s, AC, "cb_ac_1", "2"),
        SCALAR(s, AH, "cb_ah_1", "0.1"),
    };
}

std::vector<ValueRow> rowsPXR501(TPXR501& s)
{
    std::vector<ValueRow> rows = {
        SCALAR(s, SA, "cb_sa_2", "200"),        SCALAR(s, MF, "cb_mf_2", "2000"),
        INDEXED(s, TD, 0, "cb_td_2", "0"),      INDEXED(s, TD, 1, "cb_tl_2", "0"),
        INDEXED(s, TD, 2, "cb_tl_3", "1"),      SCALAR(s, SF, "cb_sf_2", "1"),
        SCALAR(s, OF, "cb_of_2", "0"),          SCALAR(s, AS, "cb_as_2", "dt"),
        INDEXED(s, SE, 0, "cb_se_2_1", "2"),    INDEXED(s, SE, 1, "cb_se_2_2", "2"),
        INDEXED(s, MW, 0, "cb_mw_2_1", "0"),    INDEXED(s, MW, 1, "cb_mw_2_2", "5000"),
        SCALAR(s, PL, "cb_vp_2", "0"),          INDEXED(s, HE, 0, "cb_he_2_1", "4"),
        INDEXED(s, HE, 1, "cb_he_2_2", "10"),   INDEXED(s, SD, 0, "cb_sd_2_1", "0"),
        INDEXED(s, SD, 1, "cb_sd_2_2", "0"),    SCALAR(s, TE, "cb_te_2", "0"),
        INDEXED(s, QA, 0, "cb_qa_2_1", "0"),    INDEXED(s, QA, 1, "cb_qa_2_2", "300"),
        INDEXED(s, Q1, 0, "cb_q1_2_1", "2"),    INDEXED(s, Q1, 1, "cb_q1_2_2", "5000"),
        INDEXED(s, Q1, 2, "cb_q1_2_3", "0.1"),  INDEXED(s, Q1, 3, "cb_q1_2_4", "1"),
        INDEXED(s, Q2, 0, "cb_q2_2_1", "4"),    INDEXED(s, Q2, 1, "cb_q2_2_2", "5000"),
        INDEXED(s, Q2, 2, "cb_q2_2_3", "0.1"),  INDEXED(s, Q2, 3, "cb_q2_2_4", "1"),
        SCALAR(s, SC, "cb_sc_2", "0"),
    };
    rows[0].factory502 = "10";
    rows[1].factory502 = "100";
    return rows;
}

// All three sets on one editor, as in the main window.
struct Sets {
    RecordingBinding editor;
    TPXR7x pxr7x{&editor};
    TPXR500C pxr500c{&editor};
    TPXR501 pxr501{&editor};
    std::vector<ValueRow> rows(DeviceType model)
    {
        if (model == kPXR7X)
            return rowsPXR7x(pxr7x);
        if (model == kPXR500C)
            return rowsPXR500C(pxr500c);
        return rowsPXR501(pxr501);
    }
    // The row of the value shown in `control`; a control no set has fails the test.
    ValueRow rowOf(const std::string& control)
    {
        for (DeviceType model : {kPXR7X, kPXR500C, kPXR501})
            for (ValueRow& r : rows(model))
                if (r.control == control)
                    return r;
        ADD_FAILURE() << "no value is shown in " << control;
        return {"", 0, control, [] { return std::string("?"); }, [](const std::string&) {}, "", ""};
    }
    ParameterSet& set(DeviceType model)
    {
        if (model == kPXR7X)
            return pxr7x;
        if (model == kPXR500C)
            return pxr500c;
        return pxr501;
    }
};

const char* const kModelNames[] = {"PXR7X", "PXR500C", "PXR501"};

class EveryModel : public ::testing::TestWithParam<DeviceType> {};

std::string modelName(const ::testing::TestParamInfo<DeviceType>& info)
{
    return kModelNames[info.param];
}

} // namespace

// ---- tables ----

TEST(ParameterTableTest, CodesAndValueCountsInStorageOrder)
{
    struct Case {
        DeviceType model;
        std::vector<std::pair<std::string, std::size_t>> codes;
        std::size_t values;
    };
    const Case cases[] = {
        {kPXR7X,
         {{"ST", 1}, {"SA", 1}, {"TD", 2}, {"TM", 2}, {"SF", 1}, {"OF", 1}, {"AS", 1}, {"SE", 1},
          {"RM", 3}, {"SD", 1}, {"RB", 1}, {"RE", 1}, {"AC", 1}, {"AH", 1}, {"AW", 1}},
         19},
        {kPXR500C,
         {{"SA", 1}, {"TD", 2}, {"SF", 1}, {"AS", 1}, {"RB", 1}, {"RE", 1}, {"AC", 1}, {"AH", 1}},
         9},
        {kPXR501,
         {{"SA", 1}, {"MF", 1}, {"TD", 3}, {"SF", 1}, {"OF", 1}, {"AS", 1}, {"SE", 2}, {"MW", 2},
          {"PL", 1}, {"HE", 2}, {"SD", 2}, {"TE", 1}, {"QA", 2}, {"Q1", 4}, {"Q2", 4}, {"SC", 1}},
         29},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(kModelNames[c.model]);
        const auto& table = parameterTable(c.model);
        ASSERT_EQ(table.size(), c.codes.size());
        for (std::size_t i = 0; i < table.size(); ++i) {
            EXPECT_EQ(table[i].code, c.codes[i].first);
            EXPECT_EQ(table[i].values.size(), c.codes[i].second) << c.codes[i].first;
        }
        EXPECT_EQ(valueCount(c.model), c.values);
    }
    EXPECT_TRUE(parameterTable(3).empty());
}

TEST_P(EveryModel, TableControlsMatchTheSetsControls)
{
    Sets s;
    const DeviceType model = GetParam();
    std::vector<ValueRow> rows = s.rows(model);
    std::vector<std::string> tableControls;
    for (const ParameterDef& def : parameterTable(model))
        for (const ValueDef& v : def.values)
            tableControls.push_back(v.control);
    ASSERT_EQ(tableControls.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(tableControls[i], rows[i].control);
        std::size_t index = 99;
        const ParameterDef* def = findControl(model, rows[i].control, &index);
        ASSERT_NE(def, nullptr) << rows[i].control;
        EXPECT_EQ(def->code, rows[i].code);
        EXPECT_EQ(index, rows[i].index);
    }
    EXPECT_EQ(findControl(model, "cb_nothing"), nullptr);
}

TEST(ParameterTableTest, SingleLineHints)
{
    const std::vector<std::pair<std::string, std::string>> hints[] = {
        {{"cb_st", "Measure Time (0..25, 0=fast)"},
         {"cb_sa", "Sliding Average (1=non)"},
         {"cb_td", "Trigger Delay (0..9999 ms)"},
         {"cb_tl", "Trigger Level (0=H/L Flank, 1=L/H Flank)"},
         {"cb_tm", "Trigger Mode for AS (0=off, 1=on)"},
         {"cb_tml", "Trigger Level for AS (0=H/L Flank, 1=L/H Flank)"},
         {"cb_sf", "Scale Factor (1=1 mm, 10=0.1 mm)"},
         {"cb_of", "Offset (Zero Point Value)"},
         {"cb_rmx", "Number of Preceding Measured Values for Evaluation (0..10, 0=off)"},
         {"cb_rmy", "Dynamic Range for Expectancy Value (+/- from Evaluated Value)"},
         {"cb_rmz", "Number of Successively Out-Of-Tolerance Values (0..100)"},
         {"cb_rb", "Range Begin (Iout=4 mA)"},
         {"cb_re", "Range End (Iout=20 mA)"},
         {"cb_ac", "Alarm Center"},
         {"cb_ah", "Alarm Hysteresis (0=non)"},
         {"cb_aw", "Alarm Width (End of Range=AC+AW, 100000=off)"}},
        {{"cb_sa_1", "Arithmetic Average (1..50)"},
         {"cb_td_1", "Trigger Delay (0..9999 ms)"},
         {"cb_tl_1", "Trigger Level (0=H/L Flank, 1=L/H Flank)"},
         {"cb_sf_1", "Scale Factor"},
         {"cb_rb_1", "Range Begin (Iout=4 mA)"},
         {"cb_re_1", "Range End (Iout=20 mA)"},
         {"cb_ac_1", "Alarm Center"},
         {"cb_ah_1", "Alarm Hysteresis"}},
        {{"cb_sa_2", "Arithmetic Average (Output Time=SA/MF)"},
         {"cb_mf_2", "Measuring Frequency"},
         {"cb_td_2", "Trigger Delay (0..300 ms)"},
         {"cb_sf_2", "Scale Factor (-10..10)"},
         {"cb_of_2", "Offset (Zero Point Value)"},
         {"cb_mw_2_1", "Begin of Measure Window"},
         {"cb_mw_2_2", "End of Measure Window"},
         {"cb_he_2_1", "HE Heat ON (-60..40 \xC2\xB0" "C)"},
         {"cb_he_2_2", "HE Heat OFF (-60..45 \xC2\xB0" "C)"},
         {"cb_qa_2_1", "Analog Begin 4 mA"},
         {"cb_qa_2_2", "Analog End 20 mA"},
         {"cb_q1_2_1", "Q1 Center"},
         {"cb_q1_2_2", "Q1 Width (End of Range=Center+Width, 100000-off)"},
         {"cb_q1_2_3", "Q1 Hysteresis (0=non)"},
         {"cb_q1_2_4", "Q1 Level"},
         {"cb_q2_2_1", "Q2 Center"},
         {"cb_q2_2_2", "Q2 Width (End of Range=Center+Width, 100000-off)"},
         {"cb_q2_2_3", "Q2 Hysteresis (0=non)"},
         {"cb_q2_2_4", "Q2 Level"}},
    };
    for (DeviceType model : {kPXR7X, kPXR500C, kPXR501})
        for (const auto& [control, hint] : hints[model]) {
            std::size_t index = 0;
            const ParameterDef* def = findControl(model, control, &index);
            ASSERT_NE(def, nullptr) << control;
            EXPECT_EQ(def->values[index].hintText(), hint) << control;
            EXPECT_EQ(def->values[index].hintLines.size(), 1u) << control;
        }
}

TEST(ParameterTableTest, MultiLineHintsJoinedByCrLf)
{
    struct Case {
        DeviceType model;
        const char* control;
        const char* hint;
    };
    const Case cases[] = {
        {kPXR7X, "cb_as",
         "Auto Start\r\nDT=Distance Tracking\r\nDS=Distance Tracking up to 7 m\r\n"
         "DW=Distance Tracking with cooprative Target (10 Hz)\r\n"
         "DX=Distance Tracking with cooperative Target (50 Hz)\r\n"
         "DF=Distance Tracking with Trigger\r\nTP=Temperature\r\nID=Identification"},
        {kPXR7X, "cb_se",
         "Error Mode\r\n0..Iout=const., ALARM=const.\r\n1..Iout=min., ALARM=OFF if AH>0, ON if AH<0\r\n"
         "2..Iout=max., ALARM=ON if AH>0, OFF if AH<0"},
        {kPXR7X, "cb_sd", "Display Format,\r\nd=Decimal\r\nh=Hexadecimal\r\ns=Decimal + Signal Strength"},
        {kPXR500C, "cb_as_1",
         "Auto Start\r\nDT=Distance Tracking\r\nDF=Distance Tracking with Trigger\r\nDJ=Signal Strength\r\n"
         "VM=Single Speed Measurement\r\nVT=Speed Tracking\r\nTP=Temperature\r\nID=Identification"},
        {kPXR501, "cb_tl_2", "Trigger Level \r\n0: H/L edge\r\n1: L/H edge"},
        {kPXR501, "cb_tl_3",
         "Trigger Mode \r\n0: SA trigger pulses cause SA measurements and one output\r\n"
         "1: one trigger pulse cause SA measurements and one output"},
        {kPXR501, "cb_as_2",
         "Auto Start\r\nID=Identification\r\nTP=Temperature\r\nHW=Hardware status\r\n"
         "DT=Distance Tracking\r\nDM=Single Distance Measurement\r\nDF=External triggering\r\n"
         "VM=Single Speed Measurement\r\nVT=Speed Tracking"},
        {kPXR501, "cb_se_2_1",
         "Error Mode Digital/Analog Output\r\n0: Q1=hold, Q2=hold, QA=hold\r\n"
         "1: Q1=inactive, Q2=inactive, QA=3 mA\r\n2: Q1=active, Q2=active, QA=21 mA"},
        {kPXR501, "cb_se_2_2",
         "Error Mode String Output\r\n0: String Output=last measurement\r\n1: String Output=0\r\n"
         "2: String Output=9999"},
        {kPXR501, "cb_vp_2", "Red Pilot Laser\r\n0: off\r\n1: on\r\n2: blinking 2 Hz\r\n3: blinking 5 Hz"},
        {kPXR501, "cb_sd_2_1", "Display Format,\r\n0: dezimal\r\n1: hexadezimal\r\n2: binary"},
        {kPXR501, "cb_sd_2_2",
         "Display Output Format,\r\n0: distance\r\n1: distance + signal strength\r\n"
         "2: distance + temperature\r\n3: distance + signal strength + temperature"},
        {kPXR501, "cb_te_2",
         "Output Terminator\r\n0: 0x0D 0x0A\r\n1: 0x0D\r\n2: 0x0A\r\n3: 0x02 [STX]\r\n4: 0x03 [ETX]\r\n"
         "5: 0x09 [TAB]\r\n6: 0x20\r\n7: 0x2C [,]\r\n8: 0x3B [;]"},
        {kPXR501, "cb_sc_2", "SSI Output Format\r\n0: Binary, 25+1 Bit\r\n1: Gray, 25+1 Bit"},
    };
    for (const Case& c : cases) {
        std::size_t index = 0;
        const ParameterDef* def = findControl(c.model, c.control, &index);
        ASSERT_NE(def, nullptr) << c.control;
        EXPECT_EQ(def->values[index].hintText(), c.hint) << c.control;
    }
}

TEST(ParameterTableTest, EditorKindRangeAndList)
{
    struct Case {
        DeviceType model;
        const char* control;
        EditorKind kind;
        int low, high;
        std::vector<std::string> list;
    };
    const std::vector<std::string> sf = {"0.01", "0.1", "1", "10", "100", "1000"};
    const EditorKind N = EditorKind::Numeric, L = EditorKind::List;
    const Case stepped[] = {
        {kPXR7X, "cb_st", N, 0, 25, {}},
        {kPXR7X, "cb_sa", N, 1, 20, {}},
        {kPXR7X, "cb_tl", N, 0, 1, {}},
        {kPXR7X, "cb_sf", L, 0, 0, sf},
        {kPXR7X, "cb_as", L, 0, 0, {"dt", "ds", "dw", "dx", "df", "tp", "id"}},
        {kPXR7X, "cb_se", N, 0, 2, {}},
        {kPXR7X, "cb_sd", L, 0, 0, {"d", "h", "s"}},
        {kPXR500C, "cb_sa_1", N, 1, 50, {}},
        {kPXR500C, "cb_tl_1", N, 0, 1, {}},
        {kPXR500C, "cb_sf_1", L, 0, 0, sf},
        {kPXR500C, "cb_as_1", L, 0, 0, {"dt", "df", "dj", "vm", "vt", "tp", "id"}},
        {kPXR501, "cb_sa_2", N, 0, 30000, {}},
        {kPXR501, "cb_mf_2", N, 1, 10000, {}},
        {kPXR501, "cb_as_2", L, 0, 0, {"id", "tp", "hw", "dt", "dm", "df", "vm", "vt"}},
        {kPXR501, "cb_se_2_1", N, 0, 2, {}},
        {kPXR501, "cb_se_2_2", N, 0, 2, {}},
        {kPXR501, "cb_vp_2", N, 0, 3, {}},
        {kPXR501, "cb_sd_2_1", N, 0, 2, {}},
        {kPXR501, "cb_sd_2_2", N, 0, 3, {}},
        {kPXR501, "cb_te_2", N, 0, 8, {}},
    };
    std::set<std::string> steppedControls;
    for (const Case& c : stepped) {
        std::size_t index = 0;
        const ParameterDef* def = findControl(c.model, c.control, &index);
        ASSERT_NE(def, nullptr) << c.control;
        const ValueDef& v = def->values[index];
        EXPECT_EQ(v.kind, c.kind) << c.control;
        if (c.kind == N) {
            EXPECT_EQ(v.low, c.low) << c.control;
            EXPECT_EQ(v.high, c.high) << c.control;
        } else {
            EXPECT_EQ(v.list, c.list) << c.control;
        }
        // Step buttons are named after their field with sp_ in place of cb_.
        EXPECT_EQ(v.stepControl(), "sp_" + std::string(c.control + 3));
        steppedControls.insert(c.control);
    }
    // Every other field is free text without step buttons.
    for (DeviceType model : {kPXR7X, kPXR500C, kPXR501})
        for (const ParameterDef& def : parameterTable(model))
            for (const ValueDef& v : def.values)
                if (!steppedControls.count(v.control)) {
                    EXPECT_EQ(v.kind, EditorKind::FreeText) << v.control;
                    EXPECT_EQ(v.stepControl(), "") << v.control;
                }
}

TEST(ParameterTableTest, HiddenHeaterAndClearAllFlags)
{
    for (DeviceType model : {kPXR7X, kPXR500C, kPXR501})
        for (const ParameterDef& def : parameterTable(model))
            for (const ValueDef& v : def.values) {
                EXPECT_EQ(v.hidden, v.control == "cb_se_2_2") << v.control;
                EXPECT_EQ(v.heaterCheck, v.control == "cb_he_2_1" || v.control == "cb_he_2_2") << v.control;
                EXPECT_EQ(v.keptByClearAll, v.control == "cb_as_1") << v.control;
            }
    std::size_t index = 0;
    const ParameterDef* he = findControl(kPXR501, "cb_he_2_1", &index);
    ASSERT_NE(he, nullptr);
    EXPECT_EQ(he->values[0].low, -60);
    EXPECT_EQ(he->values[0].high, 40);
    EXPECT_EQ(he->values[1].low, -60);
    EXPECT_EQ(he->values[1].high, 45);
}

TEST(ParameterTableTest, EditorGroups)
{
    const std::vector<std::pair<std::string, std::string>> groups[] = {
        {{"ST", "Timing"}, {"SA", "Timing"}, {"TD", "Timing"}, {"TM", "Timing"}, {"SF", "General"},
         {"OF", "General"}, {"AS", "General"}, {"SE", "General"}, {"RM", "General"},
         {"SD", "String Output Format"}, {"RB", "Analog Output 4..20 mA"},
         {"RE", "Analog Output 4..20 mA"}, {"AC", "Alarm Output"}, {"AH", "Alarm Output"},
         {"AW", "Alarm Output"}},
        {{"SA", "Timing"}, {"TD", "Timing"}, {"SF", "General"}, {"AS", "General"},
         {"RB", "Analog Output 4..20 mA"}, {"RE", "Analog Output 4..20 mA"}, {"AC", "Alarm Output"},
         {"AH", "Alarm Output"}},
        {{"SA", "Timing"}, {"MF", "Timing"}, {"TD", "Timing"}, {"SF", "General"}, {"OF", "General"},
         {"AS", "General"}, {"SE", "General"}, {"MW", "General"}, {"PL", "General"}, {"HE", "General"},
         {"SD", "String Output Format"}, {"TE", "String Output Format"},
         {"QA", "Analog Output 4..20 mA"}, {"Q1", "Digital Output"}, {"Q2", "Digital Output"},
         {"SC", "Option Profibus/SSI"}},
    };
    for (DeviceType model : {kPXR7X, kPXR500C, kPXR501})
        for (const auto& [code, group] : groups[model]) {
            const ParameterDef* def = findParameter(model, code);
            ASSERT_NE(def, nullptr) << code;
            EXPECT_EQ(def->group, group) << code;
        }
}

TEST(ParameterTableTest, AutoStartLists)
{
    EXPECT_EQ(autoStartList(kPXR7X), (std::vector<std::string>{"dt", "ds", "dw", "dx", "df", "tp", "id"}));
    EXPECT_EQ(autoStartList(kPXR500C), (std::vector<std::string>{"dt", "df", "dj", "vm", "vt", "tp", "id"}));
    EXPECT_EQ(autoStartList(kPXR501),
              (std::vector<std::string>{"id", "tp", "hw", "dt", "dm", "df", "vm", "vt"}));
    EXPECT_TRUE(autoStartList(7).empty());
}

TEST(ParameterTableTest, FindParameterMatchesExactCodesOnly)
{
    EXPECT_NE(findParameter(kPXR7X, "RM"), nullptr);
    EXPECT_EQ(findParameter(kPXR7X, "rm"), nullptr);
    EXPECT_EQ(findParameter(kPXR7X, "MF"), nullptr);
    EXPECT_EQ(findParameter(kPXR500C, "OF"), nullptr);
    EXPECT_EQ(findParameter(kPXR501, "RB"), nullptr);
    EXPECT_EQ(findParameter(kPXR501, "PL")->values[0].control, "cb_vp_2");
}

// ---- factory values ----

TEST(FactoryValuesTest, JoinedInTableOrder)
{
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    // PXR7X: the lines a parameter file of the factory values holds.
    EXPECT_EQ(factoryParameterValues(kPXR7X, false),
              (Pairs{{"ST", "0"}, {"SA", "1"}, {"TD", "0 0"}, {"TM", "0 1"}, {"SF", "1"}, {"OF", "0"},
                     {"AS", "dt"}, {"SE", "2"}, {"RM", "0 0 0"}, {"SD", "d"}, {"RB", "0"}, {"RE", "40"},
                     {"AC", "2"}, {"AH", "0.1"}, {"AW", "100000"}}));
    const Pairs pxr500c = {{"SA", "10"}, {"TD", "0 0"}, {"SF", "1"}, {"AS", "dt"},
                           {"RB", "0"},  {"RE", "50"},  {"AC", "2"}, {"AH", "0.1"}};
    EXPECT_EQ(factoryParameterValues(kPXR500C, false), pxr500c);
    EXPECT_EQ(factoryParameterValues(kPXR500C, true), pxr500c);
    const Pairs pxr501 = {{"SA", "200"},       {"MF", "2000"}, {"TD", "0 0 1"}, {"SF", "1"},
                          {"OF", "0"},         {"AS", "dt"},   {"SE", "2 2"},   {"MW", "0 5000"},
                          {"PL", "0"},         {"HE", "4 10"}, {"SD", "0 0"},   {"TE", "0"},
                          {"QA", "0 300"},     {"Q1", "2 5000 0.1 1"},          {"Q2", "4 5000 0.1 1"},
                          {"SC", "0"}};
    EXPECT_EQ(factoryParameterValues(kPXR501, false), pxr501);
    Pairs pxr502 = pxr501;
    pxr502[0].second = "10";
    pxr502[1].second = "100";
    EXPECT_EQ(factoryParameterValues(kPXR501, true), pxr502);
}

TEST_P(EveryModel, SetDefaultsSetsTheFactoryValues)
{
    for (bool is502 : {false, true}) {
        if (is502 && GetParam() != kPXR501)
            continue;
        Sets s;
        if (GetParam() == kPXR7X)
            s.pxr7x.SetDefaults();
        else if (GetParam() == kPXR500C)
            s.pxr500c.SetDefaults();
        else
            s.pxr501.SetDefaults(is502);
        for (const ValueRow& row : s.rows(GetParam())) {
            const std::string& expected = is502 ? row.factory502 : row.factory;
            EXPECT_EQ(row.get(), expected) << row.control << (is502 ? " (502)" : "");
            EXPECT_EQ(s.editor.fieldText(row.control), expected) << row.control;
        }
    }
}

TEST(FactoryValuesTest, SetDefaultsOrderOfSetterCalls)
{
    using Writes = std::vector<std::pair<std::string, std::string>>;
    {
        Sets s;
        s.pxr7x.SetDefaults();
        EXPECT_EQ(s.editor.writes,
                  (Writes{{"cb_sa", "1"},    {"cb_st", "0"},    {"cb_td", "0"},   {"cb_tl", "0"},
                          {"cb_tm", "0"},    {"cb_tml", "1"},   {"cb_as", "dt"},  {"cb_se", "2"},
                          {"cb_rmx", "0"},   {"cb_rmy", "0"},   {"cb_rmz", "0"},  {"cb_sf", "1"},
                          {"cb_of", "0"},    {"cb_sd", "d"},    {"cb_rb", "0"},   {"cb_re", "40"},
                          {"cb_ac", "2"},    {"cb_ah", "0.1"},  {"cb_aw", "100000"}}));
    }
    {
        Sets s;
        s.pxr500c.SetDefaults();
        EXPECT_EQ(s.editor.writes,
                  (Writes{{"cb_sa_1", "10"}, {"cb_td_1", "0"}, {"cb_tl_1", "0"}, {"cb_as_1", "dt"},
                          {"cb_sf_1", "1"},  {"cb_rb_1", "0"}, {"cb_re_1", "50"}, {"cb_ac_1", "2"},
                          {"cb_ah_1", "0.1"}}));
    }
    {
        // PXR502: SA and MF get the PXR501 value first, then their own.
        Sets s;
        s.pxr501.SetDefaults(true);
        ASSERT_EQ(s.editor.writes.size(), 31u);
        EXPECT_EQ(s.editor.writes[0], (std::pair<std::string, std::string>{"cb_sa_2", "200"}));
        EXPECT_EQ(s.editor.writes[1], (std::pair<std::string, std::string>{"cb_sa_2", "10"}));
        EXPECT_EQ(s.editor.writes[2], (std::pair<std::string, std::string>{"cb_mf_2", "2000"}));
        EXPECT_EQ(s.editor.writes[3], (std::pair<std::string, std::string>{"cb_mf_2", "100"}));
        EXPECT_EQ(s.editor.writes[4], (std::pair<std::string, std::string>{"cb_td_2", "0"}));
        EXPECT_EQ(s.editor.writes[30], (std::pair<std::string, std::string>{"cb_sc_2", "0"}));
    }
    {
        Sets s;
        s.pxr501.SetDefaults(false);
        ASSERT_EQ(s.editor.writes.size(), 29u);
        std::vector<ValueRow> rows = s.rows(kPXR501);
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(s.editor.writes[i].first, rows[i].control);
    }
}

TEST(FactoryValuesTest, SpotChecks)
{
    Sets s;
    s.pxr7x.SetDefaults();
    EXPECT_EQ(s.pxr7x.GetAW(), "100000");
    EXPECT_EQ(s.pxr7x.GetTM(1), "1");
    EXPECT_EQ(s.pxr7x.GetRE(), "40");
    s.pxr500c.SetDefaults();
    EXPECT_EQ(s.pxr500c.GetRE(), "50");
    s.pxr501.SetDefaults(false);
    EXPECT_EQ(s.pxr501.GetSA(), "200");
    EXPECT_EQ(s.pxr501.GetMF(), "2000");
    s.pxr501.SetDefaults(true);
    EXPECT_EQ(s.pxr501.GetSA(), "10");
    EXPECT_EQ(s.pxr501.GetMF(), "100");
    // Switching back to PXR501 restores its values.
    s.pxr501.SetDefaults(false);
    EXPECT_EQ(s.pxr501.GetSA(), "200");
    EXPECT_EQ(s.editor.fieldText("cb_mf_2"), "2000");
}

// ---- setters and getters ----

TEST_P(EveryModel, EachSetterWritesItsOwnValueAndControlOnly)
{
    Sets s;
    std::vector<ValueRow> rows = s.rows(GetParam());
    ParameterSet& set = s.set(GetParam());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        s.editor.writes.clear();
        const std::string text = "v" + std::to_string(i);
        rows[i].set(text);
        ASSERT_EQ(s.editor.writes.size(), 1u) << rows[i].control;
        EXPECT_EQ(s.editor.writes[0].first, rows[i].control);
        EXPECT_EQ(s.editor.writes[0].second, text);
        EXPECT_EQ(set.value(rows[i].code, rows[i].index), text);
    }
    // No setter overwrote another value.
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].get(), "v" + std::to_string(i)) << rows[i].control;
}

TEST_P(EveryModel, GenericSetterUsesTheNamedValue)
{
    Sets s;
    ParameterSet& set = s.set(GetParam());
    for (const ValueRow& row : s.rows(GetParam())) {
        set.setValue(row.code, row.index, "7,5");
        EXPECT_EQ(row.get(), "7.5") << row.control;
        EXPECT_EQ(s.editor.fieldText(row.control), "7.5") << row.control;
    }
}

// A named setter stores any text as given, except that every comma becomes a
// point, and writes it through to its control.
TEST(SetterTest, StoresTheTextWithPointsForCommas)
{
    const struct {
        const char* control;
        const char* text;
        const char* stored;
    } cases[] = {
        {"cb_sa", "1,5", "1.5"},     {"cb_of", "1,2,3", "1.2.3"}, {"cb_ah_1", "0,2", "0.2"},
        {"cb_q1_2_3", "0,5", "0.5"}, {"cb_sa", "  12 ", "  12 "}, {"cb_as", "zz", "zz"},
        {"cb_st", "999", "999"},     {"cb_as_2", "DT\r\n", "DT\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " <" + c.text + ">");
        Sets s;
        const ValueRow row = s.rowOf(c.control);
        row.set(c.text);
        EXPECT_EQ(row.get(), c.stored);
        EXPECT_EQ(s.editor.fieldText(row.control), c.stored);
    }
}

TEST(SetterTest, EmptyTextBlanksValueAndControl)
{
    Sets s;
    s.pxr7x.SetAC("2");
    s.pxr7x.SetAC("");
    EXPECT_EQ(s.pxr7x.GetAC(), "");
    ASSERT_TRUE(s.editor.contains("cb_ac"));
    EXPECT_EQ(s.editor.fieldText("cb_ac"), "");
}

TEST(SetterTest, NewSetIsEmptyAndWritesNothing)
{
    RecordingBinding editor;
    TPXR501 set(&editor);
    EXPECT_TRUE(editor.writes.empty());
    for (const ValueRow& row : rowsPXR501(set))
        EXPECT_EQ(row.get(), "");
}

TEST(SetterTest, OutOfRangeIndexAndUnknownCodeAreIgnored)
{
    Sets s;
    s.pxr7x.SetTD(0, "5");
    s.pxr7x.SetTD(1, "1");
    s.pxr7x.SetTM(0, "0");
    s.editor.writes.clear();
    s.pxr7x.SetTD(2, "x");
    s.pxr7x.SetRM(3, "x");
    s.pxr501.SetQ2(4, "x");
    s.pxr7x.setValue("MF", 0, "x");
    s.pxr7x.setJoinedValue("QA", "1 2");
    EXPECT_TRUE(s.editor.writes.empty());
    EXPECT_EQ(s.pxr7x.GetTD(0), "5");
    EXPECT_EQ(s.pxr7x.GetTD(1), "1");
    EXPECT_EQ(s.pxr7x.GetTM(0), "0"); // the slot after TD[1] is untouched
    EXPECT_EQ(s.pxr7x.GetTD(2), "");
    EXPECT_EQ(s.pxr501.GetQ2(100), "");
    EXPECT_EQ(s.pxr7x.value("MF"), "");
    EXPECT_EQ(s.pxr7x.joinedValue("MF"), "");
    EXPECT_FALSE(s.pxr7x.hasCode("MF"));
    EXPECT_EQ(s.pxr7x.valueCount("MF"), 0u);
    EXPECT_EQ(s.pxr501.valueCount("Q1"), 4u);
}

TEST(SetterTest, WorksWithoutBinding)
{
    TPXR7x set;
    set.SetAH("0,5");
    EXPECT_EQ(set.GetAH(), "0.5");
    set.SetDefaults();
    EXPECT_EQ(set.GetAW(), "100000");
    set.ReadFromEditor(); // nothing to read: the values stay
    EXPECT_EQ(set.GetAW(), "100000");
    set.ClearAll();
    EXPECT_EQ(set.GetAW(), "");
}

TEST(SetterTest, SetsOnOneEditorTouchOnlyTheirOwnPage)
{
    Sets s;
    s.pxr7x.SetDefaults();
    s.pxr501.SetDefaults(false);
    s.editor.writes.clear();
    s.pxr500c.ClearAll();
    s.pxr500c.SetDefaults();
    for (const auto& write : s.editor.writes)
        EXPECT_EQ(write.first.substr(write.first.size() - 2), "_1") << write.first;
    EXPECT_EQ(s.pxr7x.GetSA(), "1");
    EXPECT_EQ(s.editor.fieldText("cb_sa"), "1");
    EXPECT_EQ(s.editor.fieldText("cb_sa_2"), "200");
}

// ---- whole-set operations ----

TEST_P(EveryModel, ClearAllBlanksValuesAndControls)
{
    Sets s;
    for (const ValueRow& row : s.rows(GetParam()))
        row.set("x");
    s.editor.writes.clear();
    s.set(GetParam()).ClearAll();
    std::set<std::string> written;
    for (const auto& write : s.editor.writes) {
        EXPECT_EQ(write.second, "");
        written.insert(write.first);
    }
    for (const ValueRow& row : s.rows(GetParam())) {
        // PXR500C keeps its auto-start value; the other lines blank AS too.
        const bool kept = GetParam() == kPXR500C && row.code == "AS";
        EXPECT_EQ(row.get(), kept ? "x" : "") << row.control;
        EXPECT_EQ(s.editor.fieldText(row.control), kept ? "x" : "") << row.control;
        EXPECT_EQ(written.count(row.control), kept ? 0u : 1u) << row.control;
    }
}

TEST(ClearAllTest, PXR500CKeepsAutoStart)
{
    Sets s;
    s.pxr500c.SetDefaults();
    s.pxr500c.SetAS("vt");
    s.pxr500c.ClearAll();
    EXPECT_EQ(s.pxr500c.GetAS(), "vt");
    EXPECT_EQ(s.editor.fieldText("cb_as_1"), "vt");
    EXPECT_EQ(s.pxr500c.GetSA(), "");
    EXPECT_EQ(s.pxr500c.GetTD(1), "");
    EXPECT_EQ(s.pxr500c.GetAH(), "");
    EXPECT_EQ(s.pxr500c.joinedValue("TD"), " ");
}

TEST(ClearAllTest, PXR501BlanksHiddenErrorMode)
{
    Sets s;
    s.pxr501.SetDefaults(true);
    s.pxr501.ClearAll();
    EXPECT_EQ(s.pxr501.GetSE(1), "");
    EXPECT_EQ(s.editor.fieldText("cb_se_2_2"), "");
    for (const auto& [code, value] : s.pxr501.joinedValues())
        EXPECT_EQ(value, std::string(s.pxr501.valueCount(code) - 1, ' ')) << code;
}

TEST_P(EveryModel, ReadFromEditorCopiesEveryFieldVerbatim)
{
    Sets s;
    std::vector<ValueRow> rows = s.rows(GetParam());
    for (std::size_t i = 0; i < rows.size(); ++i)
        s.editor.MapFieldBinding::setFieldText(rows[i].control, " " + std::to_string(i) + ",5");
    s.set(GetParam()).ReadFromEditor();
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].get(), " " + std::to_string(i) + ",5") << rows[i].control;
    // Reading does not write back into the fields.
    EXPECT_TRUE(s.editor.writes.empty());
}

TEST(ReadFromEditorTest, TypedCommaSurvivesUntilSent)
{
    Sets s;
    s.pxr7x.SetDefaults();
    s.editor.setFieldText("cb_ah", "0,5");
    EXPECT_EQ(s.pxr7x.GetAH(), "0.1"); // unsaved edit: the set still has the preset
    s.pxr7x.ReadFromEditor();
    EXPECT_EQ(s.pxr7x.GetAH(), "0,5");
    EXPECT_EQ(s.pxr7x.GetAW(), "100000");
}

TEST(ReadFromEditorTest, EmptyFieldsGiveEmptyValues)
{
    Sets s;
    s.pxr500c.SetDefaults();
    s.editor.clear();
    s.pxr500c.ReadFromEditor();
    EXPECT_EQ(s.pxr500c.GetAS(), "");
    EXPECT_EQ(s.pxr500c.GetRE(), "");
}

// ---- joining and splitting ----

TEST(JoinedValueTest, SplitLikeAMeterReply)
{
    struct Case {
        std::string text;
        std::string td0, td1;
    };
    const Case cases[] = {
        {"0 1", "0", "1"},
        {"5", "5", ""},
        {"0 1 2", "0", "1"},   // the 2 is dropped
        {"100  1", "100", ""}, // two blanks give an empty value
        {" 100 1", "", "100"}, // a leading blank moves everything one value on
        {"", "", ""},
        {"0,5 1,5", "0.5", "1.5"},
        {"7 ", "7", ""},
    };
    for (const Case& c : cases) {
        Sets s;
        s.pxr7x.setJoinedValue("TD", c.text);
        EXPECT_EQ(s.pxr7x.GetTD(0), c.td0) << '"' << c.text << '"';
        EXPECT_EQ(s.pxr7x.GetTD(1), c.td1) << '"' << c.text << '"';
        EXPECT_EQ(s.editor.fieldText("cb_td"), c.td0);
        EXPECT_EQ(s.editor.fieldText("cb_tl"), c.td1);
    }
}

TEST(JoinedValueTest, FourValueCodes)
{
    Sets s;
    s.pxr501.setJoinedValue("Q1", "2 5000 0,1 1 9");
    EXPECT_EQ(s.pxr501.GetQ1(0), "2");
    EXPECT_EQ(s.pxr501.GetQ1(1), "5000");
    EXPECT_EQ(s.pxr501.GetQ1(2), "0.1");
    EXPECT_EQ(s.pxr501.GetQ1(3), "1");
    EXPECT_EQ(s.pxr501.joinedValue("Q1"), "2 5000 0.1 1");
    s.pxr7x.setJoinedValue("RM", "1 2 3 4");
    EXPECT_EQ(s.pxr7x.joinedValue("RM"), "1 2 3");
}

TEST(JoinedValueTest, SingleValueCodeTakesTheWholeText)
{
    Sets s;
    s.pxr7x.setJoinedValue("SA", "1 2");
    EXPECT_EQ(s.pxr7x.GetSA(), "1 2");
    s.pxr500c.setJoinedValue("AS", " dt");
    EXPECT_EQ(s.pxr500c.GetAS(), " dt");
}

TEST_P(EveryModel, JoinedRoundTripOfFactoryValues)
{
    Sets s;
    ParameterSet& set = s.set(GetParam());
    const auto factory = factoryParameterValues(GetParam(), false);
    for (const auto& [code, value] : factory)
        set.setJoinedValue(code, value);
    EXPECT_EQ(set.joinedValues(), factory);
    for (const ValueRow& row : s.rows(GetParam()))
        EXPECT_EQ(row.get(), row.factory) << row.control;
}

TEST(JoinedValueTest, EmptyValuesKeepTheirBlanks)
{
    Sets s;
    s.pxr500c.SetSA("5");
    EXPECT_EQ(s.pxr500c.joinedValue("TD"), " ");
    EXPECT_EQ(s.pxr7x.joinedValue("RM"), "  ");
    s.pxr501.SetTD(2, "1");
    EXPECT_EQ(s.pxr501.joinedValue("TD"), "  1");
}

TEST(SplitTest, HelpersFollowTheSplitRule)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(splitParameterValues("a b c d", 3), (V{"a", "b", "c"}));
    EXPECT_EQ(splitParameterValues("a", 3), (V{"a", "", ""}));
    EXPECT_EQ(splitParameterValues("a  b", 2), (V{"a", ""}));
    EXPECT_EQ(splitParameterValues(" a b", 2), (V{"", "a"}));
    EXPECT_EQ(splitParameterValues("a b", 1), (V{"a b"}));
    EXPECT_EQ(splitParameterValues("", 4), (V{"", "", "", ""}));
    EXPECT_EQ(joinParameterValues({"", ""}), " ");
    EXPECT_EQ(joinParameterValues({"0", "", "1"}), "0  1");
    EXPECT_EQ(joinParameterValues({}), "");
}

TEST(SplitTest, EditorTextIsVerbatim)
{
    MapFieldBinding editor;
    const ParameterDef& td = *findParameter(kPXR7X, "TD");
    setEditorJoinedText(editor, td, "0,5  1");
    EXPECT_EQ(editor.fieldText("cb_td"), "0,5");
    EXPECT_EQ(editor.fieldText("cb_tl"), "");
    EXPECT_EQ(editorJoinedText(editor, td), "0,5 ");
    const ParameterDef& he = *findParameter(kPXR501, "HE");
    setEditorJoinedText(editor, he, "4");
    EXPECT_EQ(editorJoinedText(editor, he), "4 ");
}

TEST(MapFieldBindingTest, UnwrittenControlReadsEmpty)
{
    MapFieldBinding editor;
    EXPECT_EQ(editor.fieldText("cb_sa"), "");
    EXPECT_FALSE(editor.contains("cb_sa"));
    editor.setFieldText("cb_sa", "");
    EXPECT_TRUE(editor.contains("cb_sa"));
    editor.setFieldText("cb_sa", "3");
    EXPECT_EQ(editor.fieldText("cb_sa"), "3");
    editor.clear();
    EXPECT_TRUE(editor.fields().empty());
}

INSTANTIATE_TEST_SUITE_P(Devices, EveryModel, ::testing::Values(kPXR7X, kPXR500C, kPXR501), modelName);
