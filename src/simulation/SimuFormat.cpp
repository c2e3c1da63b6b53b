#include "simulation/SimuFormat.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "base/TextUtils.h"
#include "base/Trace.h"

namespace pxr {

namespace {

// The readings' number grammar: "." is the only decimal separator (the
// general text conversion also takes ","), and an overflowing exponent is
// not a number either.
bool readDecimal(const std::string& text, double& value)
{
    if (text.find(',') != std::string::npos)
        return false;
    double v = 0;
    if (!TryTextToFloat(text, v) || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

double decimalOr(const std::string& text, double fallback)
{
    double v = 0;
    return readDecimal(text, v) ? v : fallback;
}

// printf's "%f" follows the C locale, which a GUI toolkit may have set to
// the user's regional settings; the meter always prints ".".
std::string fixedPoint(const char* fmt, double value)
{
    return ReplaceText(format(fmt, value), ",", ".");
}

// v within -limit..limit, 0 for what is no number, so that a wild setting
// cannot overflow the integer it is rounded to.
double boundedNumber(double v, double limit)
{
    return std::isfinite(v) ? std::clamp(v, -limit, limit) : 0.0;
}

// c rounded to the nearest integer, as the 64-bit number "%.6X" formats; a
// negative count gives its 16-digit two's complement.
std::string hexCount(double c)
{
    const auto n = static_cast<unsigned long long>(std::llround(boundedNumber(c, 9.2e18)));
    return format("%.6llX", n);
}

void keepLast(std::string& text, std::size_t width)
{
    if (text.size() > width)
        text.erase(0, text.size() - width);
}

// Zero padding of the decimal forms. The zeros go after the minus sign of a
// negative number and in front of any other; the meter never prints zeros
// in front of a sign (a reading just below zero must stay readable).
void padZeros(std::string& text, std::size_t width)
{
    const std::size_t at = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (text.size() < width)
        text.insert(at, width - text.size(), '0');
}

int draw(const SimuRandom& random)
{
    const int r = random ? random() : 0;
    return r < 0 ? 0 : (r > 9 ? 9 : r);
}

std::string pxr7xLine(bool hex, bool error, double c, double d)
{
    if (error)
        return "E10";
    if (hex) {
        std::string text = hexCount(c);
        keepLast(text, 7);
        return " " + text;
    }
    std::string text = fixedPoint("%.3f", d);
    padZeros(text, 7);
    return text;
}

// PXR501/502 in one of its two forms. The second SD value picks what follows
// the distance: 1 the signal strength, 2 the temperature, 3 both; an error
// line carries zeros for the signal strength.
struct Pxr501Form {
    const char* errorLine;
    const char* signalFormat;
    const char* errorSignal;
    const char* temperature;
};
const Pxr501Form kPxr501Hex = {"HE02   ", " %.4X", " 0000", " 100"};
const Pxr501Form kPxr501Decimal = {"DE02   ", " %.5d", " 00000", " +25.6"};

std::string pxr501Distance(bool hex, double c, double d)
{
    std::string text;
    if (hex) {
        text = hexCount(c);
        keepLast(text, 6);
        return "H" + text;
    }
    text = fixedPoint("%.3f", d);
    if (!text.empty() && text[0] == '-') {
        padZeros(text, 9);
        return "D" + text;
    }
    padZeros(text, 8);
    return "D " + text;
}

std::string pxr501Line(const std::string& content, bool hex, bool error, double c, double d,
                       const SimuRandom& random)
{
    const Pxr501Form& form = hex ? kPxr501Hex : kPxr501Decimal;
    std::string text = error ? std::string(form.errorLine) : pxr501Distance(hex, c, d);
    if (content == "1" || content == "3")
        text += error ? std::string(form.errorSignal) : format(form.signalFormat, 1400 + draw(random));
    if (content == "2" || content == "3")
        text += form.temperature;
    return text;
}

} // namespace

std::string GenerateSimuLine(const SimuLineFormat& lineFormat, int64_t a, bool noise, bool hex,
                             bool error, double k, const SimuRandom& random)
{
    if (lineFormat.deviceType == kPXR500C && lineFormat.signalDialogOpen)
        return format("%8d", 1500 + draw(random));

    double n = static_cast<double>(a);
    if (noise && !error)
        n += draw(random);
    const double c = n * k;
    const double d = c / 1000.0;

    switch (lineFormat.deviceType) {
    case kPXR7X:
        return pxr7xLine(hex, error, c, d);
    case kPXR500C:
        return error ? std::string(" 9999.90") : fixedPoint("%8.2f", d);
    default:
        return pxr501Line(lineFormat.content, hex, error, c, d, random);
    }
}

SimuSettings ReadSimuSettings(DeviceType deviceType, const SimuParameter& parameter)
{
    SimuSettings s;
    s.k = decimalOr(parameter("SF", 0), 1.0);
    switch (deviceType) {
    case kPXR7X:
        s.o = decimalOr(parameter("OF", 0), 0.0);
        s.hex = SameTextNoCase(parameter("SD", 0), "h");
        break;
    case kPXR500C:
        break;
    default:
        s.o = decimalOr(parameter("OF", 0), 0.0);
        s.hex = SameTextNoCase(parameter("SD", 0), "1");
        s.content = parameter("SD", 1);
        break;
    }
    return s;
}

int64_t ComputeSimuInterval(uint8_t simuMode, const std::string& st)
{
    const double t = decimalOr(st, 0.0);
    switch (simuMode) {
    case 1:
        return t != 0 ? std::llround(t * 240.0) : 160;
    case 2:
        return t != 0 ? std::llround(t * 150.0) : 160;
    case 3:
        return 100;
    case 4:
        return 20;
    default:
        return 500;
    }
}

int64_t SimuOutputInterval(DeviceType deviceType, uint8_t simuMode, const SimuParameter& parameter)
{
    constexpr double kLimit = 9.0e15; // far beyond any timer, well inside int64
    double ms = 0;
    switch (deviceType) {
    case kPXR7X:
        return ComputeSimuInterval(simuMode, parameter("ST", 0));
    case kPXR500C:
        ms = decimalOr(parameter("SA", 0), 1.0) * 10.0;
        break;
    default: {
        const double sa = decimalOr(parameter("SA", 0), 1.0);
        double mf = decimalOr(parameter("MF", 0), 1.0);
        if (mf == 0)
            mf = 1;
        ms = sa / mf * 1000.0;
        break;
    }
    }
    if (ms > kLimit)
        ms = kLimit;
    if (ms < -kLimit)
        ms = -kLimit;
    return std::llround(ms);
}

bool ApplySimuInterval(uint32_t& applied, int64_t ms)
{
    const auto value = static_cast<uint32_t>(ms);
    if (value == applied || value <= 9)
        return false;
    applied = value;
    return true;
}

int64_t SimuBaseDistance(double fixedDistance, double offset)
{
    constexpr double kLimit = 1.0e15;
    const double fixed = boundedNumber(std::trunc(fixedDistance * 1000.0), kLimit);
    const double off = boundedNumber(offset * 1000.0, kLimit);
    return static_cast<int64_t>(fixed) + std::llround(off);
}

SimuStep SimuRampStep(int n, int64_t base, bool rampAndError)
{
    SimuStep step;
    step.a = base;
    if (!rampAndError)
        return step;
    if (n < 50) {
        step.a = base + 40 * n;
    } else if (n < 90) {
        step.a = base + 40 * (100 - n);
    } else if (n <= 95) {
        step.a = 0;
        step.noise = false;
        step.error = true;
    } else {
        step.noise = false;
    }
    return step;
}

} // namespace pxr
