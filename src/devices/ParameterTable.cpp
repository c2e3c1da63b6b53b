#include "devices/ParameterTable.h"

#include "devices/FieldBinding.h"

namespace pxr {

const char* const kHintLineBreak = "\r\n";

std::string ValueDef::hintText() const
{
    std::string text;
    for (std::size_t i = 0; i < hintLines.size(); ++i) {
        if (i > 0)
            text += kHintLineBreak;
        text += hintLines[i];
    }
    return text;
}

std::string ValueDef::stepControl() const
{
    if (kind == EditorKind::FreeText || control.compare(0, 3, "cb_") != 0)
        return std::string();
    return "sp_" + control.substr(3);
}

namespace {

using Lines = std::vector<std::string>;

ValueDef freeText(const char* control, Lines hint, const char* factory)
{
    ValueDef v;
    v.control = control;
    v.hintLines = std::move(hint);
    v.factory = factory;
    return v;
}

ValueDef numeric(const char* control, int low, int high, Lines hint, const char* factory,
                 const char* factory502 = "")
{
    ValueDef v = freeText(control, std::move(hint), factory);
    v.kind = EditorKind::Numeric;
    v.low = low;
    v.high = high;
    v.factory502 = factory502;
    return v;
}

ValueDef listed(const char* control, Lines list, Lines hint, const char* factory)
{
    ValueDef v = freeText(control, std::move(hint), factory);
    v.kind = EditorKind::List;
    v.list = std::move(list);
    return v;
}

// The heater fields are free text; the editor limits them when they lose the focus.
ValueDef heater(const char* control, int low, int high, Lines hint, const char* factory)
{
    ValueDef v = freeText(control, std::move(hint), factory);
    v.low = low;
    v.high = high;
    v.heaterCheck = true;
    return v;
}

ValueDef hidden(ValueDef v)
{
    v.hidden = true;
    return v;
}

ValueDef keptByClearAll(ValueDef v)
{
    v.keptByClearAll = true;
    return v;
}

const char* const kTiming = "Timing";
const char* const kGeneral = "General";
const char* const kStringOutput = "String Output Format";
const char* const kAnalogOutput = "Analog Output 4..20 mA";
const char* const kAlarmOutput = "Alarm Output";
const char* const kDigitalOutput = "Digital Output";
const char* const kProfibus = "Option Profibus/SSI";

const Lines kScaleFactors = {"0.01", "0.1", "1", "10", "100", "1000"};
const Lines kTriggerLevel = {"Trigger Level (0=H/L Flank, 1=L/H Flank)"};

std::vector<ParameterDef> makePXR7x()
{
    return {
        {"ST", kTiming, {numeric("cb_st", 0, 25, {"Measure Time (0..25, 0=fast)"}, "0")}},
        {"SA", kTiming, {numeric("cb_sa", 1, 20, {"Sliding Average (1=non)"}, "1")}},
        {"TD", kTiming,
         {freeText("cb_td", {"Trigger Delay (0..9999 ms)"}, "0"),
          numeric("cb_tl", 0, 1, kTriggerLevel, "0")}},
        {"TM", kTiming,
         {freeText("cb_tm", {"Trigger Mode for AS (0=off, 1=on)"}, "0"),
          freeText("cb_tml", {"Trigger Level for AS (0=H/L Flank, 1=L/H Flank)"}, "1")}},
        {"SF", kGeneral, {listed("cb_sf", kScaleFactors, {"Scale Factor (1=1 mm, 10=0.1 mm)"}, "1")}},
        {"OF", kGeneral, {freeText("cb_of", {"Offset (Zero Point Value)"}, "0")}},
        {"AS", kGeneral,
         {listed("cb_as", {"dt", "ds", "dw", "dx", "df", "tp", "id"},
                 {"Auto Start", "DT=Distance Tracking", "DS=Distance Tracking up to 7 m",
                  "DW=Distance Tracking with cooprative Target (10 Hz)",
                  "DX=Distance Tracking with cooperative Target (50 Hz)",
                  "DF=Distance Tracking with Trigger", "TP=Temperature", "ID=Identification"},
                 "dt")}},
        {"SE", kGeneral,
         {numeric("cb_se", 0, 2,
                  {"Error Mode", "0..Iout=const., ALARM=const.",
                   "1..Iout=min., ALARM=OFF if AH>0, ON if AH<0",
                   "2..Iout=max., ALARM=ON if AH>0, OFF if AH<0"},
                  "2")}},
        {"RM", kGeneral,
         {freeText("cb_rmx", {"Number of Preceding Measured Values for Evaluation (0..10, 0=off)"}, "0"),
          freeText("cb_rmy", {"Dynamic Range for Expectancy Value (+/- from Evaluated Value)"}, "0"),
          freeText("cb_rmz", {"Number of Successively Out-Of-Tolerance Values (0..100)"}, "0")}},
        {"SD", kStringOutput,
         {listed("cb_sd", {"d", "h", "s"},
                 {"Display Format,", "d=Decimal", "h=Hexadecimal", "s=Decimal + Signal Strength"}, "d")}},
        {"RB", kAnalogOutput, {freeText("cb_rb", {"Range Begin (Iout=4 mA)"}, "0")}},
        {"RE", kAnalogOutput, {freeText("cb_re", {"Range End (Iout=20 mA)"}, "40")}},
        {"AC", kAlarmOutput, {freeText("cb_ac", {"Alarm Center"}, "2")}},
        {"AH", kAlarmOutput, {freeText("cb_ah", {"Alarm Hysteresis (0=non)"}, "0.1")}},
        {"AW", kAlarmOutput, {freeText("cb_aw", {"Alarm Width (End of Range=AC+AW, 100000=off)"}, "100000")}},
    };
}

std::vector<ParameterDef> makePXR500C()
{
    return {
        {"SA", kTiming, {numeric("cb_sa_1", 1, 50, {"Arithmetic Average (1..50)"}, "10")}},
        {"TD", kTiming,
         {freeText("cb_td_1", {"Trigger Delay (0..9999 ms)"}, "0"),
          numeric("cb_tl_1", 0, 1, kTriggerLevel, "0")}},
        {"SF", kGeneral, {listed("cb_sf_1", kScaleFactors, {"Scale Factor"}, "1")}},
        // The meter keeps its auto-start mode when a readout fails, and so does
        // this set: ClearAll leaves AS alone on this model line.
        {"AS", kGeneral,
         {keptByClearAll(listed("cb_as_1", {"dt", "df", "dj", "vm", "vt", "tp", "id"},
                                {"Auto Start", "DT=Distance Tracking", "DF=Distance Tracking with Trigger",
                                 "DJ=Signal Strength", "VM=Single Speed Measurement", "VT=Speed Tracking",
                                 "TP=Temperature", "ID=Identification"},
                                "dt"))}},
        {"RB", kAnalogOutput, {freeText("cb_rb_1", {"Range Begin (Iout=4 mA)"}, "0")}},
        {"RE", kAnalogOutput, {freeText("cb_re_1", {"Range End (Iout=20 mA)"}, "50")}},
        {"AC", kAlarmOutput, {freeText("cb_ac_1", {"Alarm Center"}, "2")}},
        {"AH", kAlarmOutput, {freeText("cb_ah_1", {"Alarm Hysteresis"}, "0.1")}},
    };
}

std::vector<ParameterDef> makePXR501()
{
    const Lines errorModeString = {"Error Mode String Output", "0: String Output=last measurement",
                                   "1: String Output=0", "2: String Output=9999"};
    return {
        {"SA", kTiming,
         {numeric("cb_sa_2", 0, 30000, {"Arithmetic Average (Output Time=SA/MF)"}, "200", "10")}},
        {"MF", kTiming, {numeric("cb_mf_2", 1, 10000, {"Measuring Frequency"}, "2000", "100")}},
        // The first hint lines of the two trigger fields end in a blank.
        {"TD", kTiming,
         {freeText("cb_td_2", {"Trigger Delay (0..300 ms)"}, "0"),
          freeText("cb_tl_2", {"Trigger Level ", "0: H/L edge", "1: L/H edge"}, "0"),
          freeText("cb_tl_3",
                   {"Trigger Mode ", "0: SA trigger pulses cause SA measurements and one output",
                    "1: one trigger pulse cause SA measurements and one output"},
                   "1")}},
        {"SF", kGeneral, {freeText("cb_sf_2", {"Scale Factor (-10..10)"}, "1")}},
        {"OF", kGeneral, {freeText("cb_of_2", {"Offset (Zero Point Value)"}, "0")}},
        {"AS", kGeneral,
         {listed("cb_as_2", {"id", "tp", "hw", "dt", "dm", "df", "vm", "vt"},
                 {"Auto Start", "ID=Identification", "TP=Temperature", "HW=Hardware status",
                  "DT=Distance Tracking", "DM=Single Distance Measurement", "DF=External triggering",
                  "VM=Single Speed Measurement", "VT=Speed Tracking"},
                 "dt")}},
        // SE[1] (string output) is read, written and preset like any value,
        // but its field is never shown.
        {"SE", kGeneral,
         {numeric("cb_se_2_1", 0, 2,
                  {"Error Mode Digital/Analog Output", "0: Q1=hold, Q2=hold, QA=hold",
                   "1: Q1=inactive, Q2=inactive, QA=3 mA", "2: Q1=active, Q2=active, QA=21 mA"},
                  "2"),
          hidden(numeric("cb_se_2_2", 0, 2, errorModeString, "2"))}},
        {"MW", kGeneral,
         {freeText("cb_mw_2_1", {"Begin of Measure Window"}, "0"),
          freeText("cb_mw_2_2", {"End of Measure Window"}, "5000")}},
        // The pilot laser's field carries the letters vp; the code is PL.
        {"PL", kGeneral,
         {numeric("cb_vp_2", 0, 3,
                  {"Red Pilot Laser", "0: off", "1: on", "2: blinking 2 Hz", "3: blinking 5 Hz"}, "0")}},
        {"HE", kGeneral,
         {heater("cb_he_2_1", -60, 40, {"HE Heat ON (-60..40 \u00b0C)"}, "4"),
          heater("cb_he_2_2", -60, 45, {"HE Heat OFF (-60..45 \u00b0C)"}, "10")}},
        {"SD", kStringOutput,
         {numeric("cb_sd_2_1", 0, 2, {"Display Format,", "0: dezimal", "1: hexadezimal", "2: binary"}, "0"),
          numeric("cb_sd_2_2", 0, 3,
                  {"Display Output Format,", "0: distance", "1: distance + signal strength",
                   "2: distance + temperature", "3: distance + signal strength + temperature"},
                  "0")}},
        {"TE", kStringOutput,
         {numeric("cb_te_2", 0, 8,
                  {"Output Terminator", "0: 0x0D 0x0A", "1: 0x0D", "2: 0x0A", "3: 0x02 [STX]",
                   "4: 0x03 [ETX]", "5: 0x09 [TAB]", "6: 0x20", "7: 0x2C [,]", "8: 0x3B [;]"},
                  "0")}},
        {"QA", kAnalogOutput,
         {freeText("cb_qa_2_1", {"Analog Begin 4 mA"}, "0"),
          freeText("cb_qa_2_2", {"Analog End 20 mA"}, "300")}},
        {"Q1", kDigitalOutput,
         {freeText("cb_q1_2_1", {"Q1 Center"}, "2"),
          freeText("cb_q1_2_2", {"Q1 Width (End of Range=Center+Width, 100000-off)"}, "5000"),
          freeText("cb_q1_2_3", {"Q1 Hysteresis (0=non)"}, "0.1"),
          freeText("cb_q1_2_4", {"Q1 Level"}, "1")}},
        {"Q2", kDigitalOutput,
         {freeText("cb_q2_2_1", {"Q2 Center"}, "4"),
          freeText("cb_q2_2_2", {"Q2 Width (End of Range=Center+Width, 100000-off)"}, "5000"),
          freeText("cb_q2_2_3", {"Q2 Hysteresis (0=non)"}, "0.1"),
          freeText("cb_q2_2_4", {"Q2 Level"}, "1")}},
        {"SC", kProfibus,
         {freeText("cb_sc_2", {"SSI Output Format", "0: Binary, 25+1 Bit", "1: Gray, 25+1 Bit"}, "0")}},
    };
}

std::vector<std::string> codesOf(const std::vector<ParameterDef>& table)
{
    std::vector<std::string> codes;
    for (const ParameterDef& def : table)
        codes.push_back(def.code);
    return codes;
}

const std::vector<ParameterDef> kEmptyTable;
const std::vector<std::string> kNoStrings;

} // namespace

const std::vector<ParameterDef>& parameterTable(DeviceType model)
{
    static const std::vector<ParameterDef> tables[] = {makePXR7x(), makePXR500C(), makePXR501()};
    return model <= kPXR501 ? tables[model] : kEmptyTable;
}

const ParameterDef* findParameter(DeviceType model, const std::string& code)
{
    for (const ParameterDef& def : parameterTable(model))
        if (def.code == code)
            return &def;
    return nullptr;
}

const ParameterDef* findControl(DeviceType model, const std::string& control, std::size_t* index)
{
    for (const ParameterDef& def : parameterTable(model))
        for (std::size_t i = 0; i < def.values.size(); ++i)
            if (def.values[i].control == control) {
                if (index)
                    *index = i;
                return &def;
            }
    return nullptr;
}

const std::vector<std::string>& defaultsOrder(DeviceType model)
{
    // PXR7X and PXR500C preset in an order of their own; PXR501/502 in table order.
    static const std::vector<std::string> orders[] = {
        {"SA", "ST", "TD", "TM", "AS", "SE", "RM", "SF", "OF", "SD", "RB", "RE", "AC", "AH", "AW"},
        {"SA", "TD", "AS", "SF", "RB", "RE", "AC", "AH"},
        codesOf(parameterTable(kPXR501)),
    };
    return model <= kPXR501 ? orders[model] : kNoStrings;
}

const std::vector<std::string>& autoStartList(DeviceType model)
{
    const ParameterDef* as = findParameter(model, "AS");
    return as ? as->values[0].list : kNoStrings;
}

std::vector<std::pair<std::string, std::string>> factoryParameterValues(DeviceType model, bool is502)
{
    std::vector<std::pair<std::string, std::string>> result;
    for (const ParameterDef& def : parameterTable(model)) {
        std::vector<std::string> values;
        for (const ValueDef& v : def.values)
            values.push_back(is502 && !v.factory502.empty() ? v.factory502 : v.factory);
        result.emplace_back(def.code, joinParameterValues(values));
    }
    return result;
}

std::size_t valueCount(DeviceType model)
{
    std::size_t n = 0;
    for (const ParameterDef& def : parameterTable(model))
        n += def.values.size();
    return n;
}

std::vector<std::string> splitParameterValues(const std::string& text, std::size_t count)
{
    std::vector<std::string> values(count);
    if (count == 1) {
        values[0] = text;
        return values;
    }
    std::string rest = text;
    for (std::size_t i = 0; i < count && !rest.empty(); ++i) {
        std::size_t blank = rest.find(' ');
        if (blank == std::string::npos) {
            values[i] = rest;
            rest.clear();
        } else {
            values[i] = rest.substr(0, blank);
            rest.erase(0, blank + 1);
        }
    }
    return values;
}

std::string joinParameterValues(const std::vector<std::string>& values)
{
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += ' ';
        text += values[i];
    }
    return text;
}

std::string editorJoinedText(const FieldBinding& fields, const ParameterDef& def)
{
    std::vector<std::string> values;
    for (const ValueDef& v : def.values)
        values.push_back(fields.fieldText(v.control));
    return joinParameterValues(values);
}

void setEditorJoinedText(FieldBinding& fields, const ParameterDef& def, const std::string& text)
{
    std::vector<std::string> values = splitParameterValues(text, def.values.size());
    for (std::size_t i = 0; i < def.values.size(); ++i)
        fields.setFieldText(def.values[i].control, values[i]);
}

} // namespace pxr
