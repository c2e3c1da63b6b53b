#include "parameters/ParameterEditor.h"

#include <charconv>
#include <cstdint>

#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "parameters/ProfileReader.h"
#include "base/TextUtils.h"

namespace pxr {

namespace {

// Larger numbers stop here, far outside any field's range.
constexpr int64_t kStepCap = INT64_C(1) << 40;

} // namespace

std::string StepNumber(const std::string& text, int low, int high, StepDirection direction)
{
    int64_t v = 0;
    if (!ReadWholeNumber(text, kStepCap, v))
        v = 0;
    v += direction == StepDirection::Up ? 1 : -1;
    if (v < low)
        v = low;
    if (v > high)
        v = high;
    return std::to_string(v);
}

std::string StepListItem(const std::string& text, const std::vector<std::string>& list,
                         StepDirection direction)
{
    if (list.empty())
        return text;
    long position = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (sameTextIgnoringCase(list[i], text)) {
            position = static_cast<long>(i);
            break;
        }
    }
    position += direction == StepDirection::Up ? 1 : -1;
    if (position < 0)
        position = 0;
    const long last = static_cast<long>(list.size()) - 1;
    if (position > last)
        position = last;
    return list[static_cast<std::size_t>(position)];
}

std::string formatRegionalNumber(double value, char decimalSeparator)
{
    if (value == 0)
        value = 0; // no "-0"
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string text(buf, r.ptr);
    for (char& c : text)
        if (c == '.')
            c = decimalSeparator;
    return text;
}

namespace {

// Puts `value` into [low, high]; true when it had to move. "Not at least the
// low limit" also catches a value that is not ordered (NaN).
bool limitTo(double& value, double low, double high)
{
    bool moved = false;
    if (!(value >= low)) {
        value = low;
        moved = true;
    }
    if (value > high) {
        value = high;
        moved = true;
    }
    return moved;
}

} // namespace

HeaterCheckResult HeaterCheck(const std::string& on, const std::string& off, char decimalSeparator,
                              const HeaterLimits& limits)
{
    HeaterCheckResult r;
    r.on = on;
    r.off = off;
    if (on.empty() || off.empty())
        return r;
    double heatOn = TextToFloat(on);
    double heatOff = TextToFloat(off);
    r.onChanged = limitTo(heatOn, limits.onLow, limits.onHigh);
    r.offChanged = limitTo(heatOff, limits.offLow, limits.offHigh);
    if (heatOn > heatOff) {
        heatOn = heatOff;
        r.onChanged = true;
    }
    if (r.onChanged)
        r.on = formatRegionalNumber(heatOn, decimalSeparator);
    if (r.offChanged)
        r.off = formatRegionalNumber(heatOff, decimalSeparator);
    return r;
}

void applyHeaterCheck(DeviceType model, FieldBinding& fields, char decimalSeparator)
{
    for (const ParameterDef& def : parameterTable(model)) {
        if (def.values.size() != 2 || !def.values[0].heaterCheck || !def.values[1].heaterCheck)
            continue;
        const ValueDef& on = def.values[0];
        const ValueDef& off = def.values[1];
        HeaterLimits limits;
        limits.onLow = on.low;
        limits.onHigh = on.high;
        limits.offLow = off.low;
        limits.offHigh = off.high;
        const HeaterCheckResult r =
            HeaterCheck(fields.fieldText(on.control), fields.fieldText(off.control), decimalSeparator, limits);
        if (r.onChanged)
            fields.setFieldText(on.control, r.on);
        if (r.offChanged)
            fields.setFieldText(off.control, r.off);
    }
}

} // namespace pxr
