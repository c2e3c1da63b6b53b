#include "measurement/GraphicSetup.h"

#include <algorithm>
#include <charconv>

#include "measurement/ReadingDecoder.h"

namespace pxr {

bool RegionalTextToFloat(std::string_view text, char decimalSeparator, double& value)
{
    value = 0.0;
    size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    char buf[64];
    if (e - b >= sizeof buf)
        return false;
    size_t n = 0;
    for (size_t i = b; i < e; ++i) {
        char c = text[i];
        if (c == decimalSeparator)
            c = '.';
        else if (c == '.')
            return false; // not the decimal point of these regional settings
        buf[n++] = c;
    }
    return DecodeDecimal(std::string_view(buf, n), value);
}

std::string RegionalFloatText(double value, char decimalSeparator)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, r.ptr);
    std::replace(s.begin(), s.end(), '.', decimalSeparator);
    return s;
}

std::string AxisLimitError(const GraphicSettings& settings)
{
    if (settings.autoScale || settings.minimum < settings.maximum)
        return std::string();
    return "Axis minimum must be less than the maximum";
}

GraphicSetup::GraphicSetup(Fields* fields, Chart* chart, char decimalSeparator)
    : m_fields(fields), m_chart(chart), m_separator(decimalSeparator)
{
}

void GraphicSetup::SetMinimum(double v) { setLimit(m_settings.minimum, v, &Fields::showMinimum); }

void GraphicSetup::SetMaximum(double v) { setLimit(m_settings.maximum, v, &Fields::showMaximum); }

void GraphicSetup::setLimit(double& limit, double v, void (Fields::*show)(const std::string&))
{
    if (v == limit)
        return;
    limit = v;
    if (m_fields)
        (m_fields->*show)(RegionalFloatText(v, m_separator));
}

void GraphicSetup::SetAutoScale(bool v) { m_settings.autoScale = v; }
void GraphicSetup::SetPointer(bool v) { m_settings.pointer = v; }
void GraphicSetup::SetStair(bool v) { m_settings.stair = v; }
void GraphicSetup::SetAllowPan(bool v) { m_settings.allowPan = v; }

void GraphicSetup::SetAllowZoom(bool v)
{
    m_settings.allowZoom = v;
    if (m_chart)
        m_chart->setZoomActionsEnabled(v);
}

void GraphicSetup::SetNumber(int v)
{
    if (v == m_settings.number)
        return;
    m_settings.number = std::clamp(v, kMinNumber, kMaxNumber);
    if (m_fields)
        m_fields->showNumber(std::to_string(m_settings.number));
}

void GraphicSetup::showFields()
{
    if (!m_fields)
        return;
    m_fields->showMinimum(RegionalFloatText(m_settings.minimum, m_separator));
    m_fields->showMaximum(RegionalFloatText(m_settings.maximum, m_separator));
    m_fields->showNumber(std::to_string(m_settings.number));
}

void GraphicSetup::Load(const GraphicSettings& stored)
{
    SetMinimum(stored.minimum);
    SetMaximum(stored.maximum);
    SetAutoScale(stored.autoScale);
    SetPointer(stored.pointer);
    SetStair(stored.stair);
    SetAllowZoom(stored.allowZoom);
    SetAllowPan(stored.allowPan);
    SetNumber(stored.number);
    if (m_fields)
        m_fields->showNumber(std::to_string(m_settings.number));
    ApplyToChart();
}

bool GraphicSetup::ApplyToChart()
{
    if (m_chart)
        m_chart->applyMarkers(m_settings.pointer, m_settings.stair);
    const std::string error = AxisLimitError(m_settings);
    if (!error.empty()) {
        if (m_chart)
            m_chart->showError(error);
        return false;
    }
    if (m_chart) {
        m_chart->applyAxis(m_settings.autoScale, m_settings.minimum, m_settings.maximum);
        m_chart->applyZoomPan(m_settings.allowZoom, m_settings.allowPan);
    }
    return true;
}

bool GraphicSetup::acceptTyped(const Typed& typed)
{
    double minimum = 0, maximum = 0;
    if (!RegionalTextToFloat(typed.minimum, m_separator, minimum))
        minimum = 0;
    if (!RegionalTextToFloat(typed.maximum, m_separator, maximum))
        maximum = 40;
    SetMinimum(minimum);
    SetMaximum(maximum);
    SetAutoScale(typed.autoScale);
    SetPointer(typed.pointer);
    SetStair(typed.stair);
    SetAllowZoom(typed.allowZoom);
    SetAllowPan(typed.allowPan);
    SetNumber(TextToIntDef(typed.number, kMinNumber));
    // The setters show only what changed: «abc» typed over 0 would stay on
    // screen while 0 applies. The fields show what the dialog now holds.
    showFields();
    if (!ApplyToChart())
        return false;
    if (m_chart)
        m_chart->store(m_settings);
    return true;
}

} // namespace pxr
