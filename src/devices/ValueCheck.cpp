#include "devices/ValueCheck.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string_view>
#include <vector>

#include "devices/FieldBinding.h"
#include "base/TextUtils.h"
#include "base/Trace.h"

namespace pxr {

namespace {

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// A list of numbers (the scale factors) only offers some of the values the
// meter takes; a list of words (the auto-start modes) names commands.
bool listOfNumbers(const ValueDef& v)
{
    double d = 0;
    return !v.list.empty() &&
           std::all_of(v.list.begin(), v.list.end(), [&d](const std::string& e) { return TryTextToFloat(e, d); });
}

// Optional sign and decimal digits, nothing else; false when out of range.
bool wholeNumber(std::string_view text, int64_t& value)
{
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
        if (text.empty() || !isDigit(static_cast<unsigned char>(text[0])))
            return false;
    }
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

std::string characterName(const std::string& text, std::size_t pos)
{
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c < 0x20 || c == 0x7F)
        return format("the control character 0x%02X", c);
    std::size_t length = 0;
    return "\"" + characterAt(text, pos, length) + "\"";
}

} // namespace

bool isValueByte(unsigned char c) { return c >= 0x20 && c < 0x7F; }

bool fieldAccepts(const ParameterDef& def, std::size_t index, unsigned char c)
{
    if (index >= def.values.size())
        return false;
    if (c == ' ')
        return def.values.size() == 1;
    return isValueByte(c);
}

std::string refusedValueText(const ParameterDef& def, std::size_t index, const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!fieldAccepts(def, index, static_cast<unsigned char>(text[i])))
            return "the value of " + def.code + " contains " + characterName(text, i) +
                   ", which the meter cannot take";
    return std::string();
}

std::string typedCharacterRefusal(const ParameterDef& def, std::size_t index, const std::string& utf8)
{
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = 1;
        characterAt(utf8, i, length);
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (length == 1 && fieldAccepts(def, index, c)) {
            ++i;
            continue;
        }
        if (c == ' ')
            return " \" \" not taken: it would split the values of " + def.code;
        return " " + characterName(utf8, i) + " not taken: the meter cannot take it in " + def.code;
    }
    return std::string();
}

std::string refusedJoinedText(const ParameterDef& def, const std::string& joined)
{
    const std::vector<std::string> values = splitParameterValues(joined, def.values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::string reason = refusedValueText(def, i, values[i]);
        if (!reason.empty())
            return reason;
    }
    return std::string();
}

std::string refusedEditorText(DeviceType model, const FieldBinding& fields)
{
    for (const ParameterDef& def : parameterTable(model))
        for (std::size_t i = 0; i < def.values.size(); ++i) {
            std::string reason = refusedValueText(def, i, fields.fieldText(def.values[i].control));
            if (!reason.empty())
                return reason;
        }
    return std::string();
}

bool isPossibleValue(const ValueDef& def, const std::string& text)
{
    if (text.empty())
        return true;
    switch (def.kind) {
    case EditorKind::Numeric: {
        int64_t v = 0;
        return wholeNumber(text, v) && v >= def.low && v <= def.high;
    }
    case EditorKind::List:
        if (!listOfNumbers(def))
            return std::any_of(def.list.begin(), def.list.end(),
                               [&text](const std::string& entry) { return SameTextNoCase(entry, text); });
        break;
    case EditorKind::FreeText:
        break;
    }
    double v = 0;
    return TryTextToFloat(text, v);
}

} // namespace pxr
