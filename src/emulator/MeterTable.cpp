#include "emulator/MeterTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "base/TextUtils.h"
#include "base/Trace.h"

namespace pxr::meter {

namespace {

const std::vector<Code> kPXR7x = {
    {"ST", "0"},   {"SA", "1"},     {"TD", "0 0"}, {"TM", "0 1"}, {"SF", "1"},
    {"OF", "0"},   {"AS", "dt"},    {"SE", "2"},   {"RM", "0 0 0"}, {"SD", "d"},
    {"RB", "0"},   {"RE", "40"},    {"AC", "2"},   {"AH", "0.1"}, {"AW", "100000"},
};

const std::vector<Code> kPXR500C = {
    {"SA", "10"}, {"TD", "0 0"}, {"SF", "1"}, {"AS", "dt"}, {"RB", "0"}, {"RE", "50"}, {"AC", "2"}, {"AH", "0.1"},
};

// PXR501 and PXR502 differ only in their averaging and measuring frequency.
std::vector<Code> pxr501Codes(const char* sa, const char* mf)
{
    return {{"SA", sa},     {"MF", mf},       {"TD", "0 0 1"},        {"SF", "1"},
            {"OF", "0"},    {"AS", "dt"},     {"SE", "2 2"},          {"MW", "0 5000"},
            {"PL", "0"},    {"HE", "4 10"},   {"SD", "0 0"},          {"TE", "0"},
            {"QA", "0 300"}, {"Q1", "2 5000 0.1 1"}, {"Q2", "4 5000 0.1 1"}, {"SC", "0"}};
}
const std::vector<Code> kPXR501 = pxr501Codes("200", "2000");
const std::vector<Code> kPXR502 = pxr501Codes("10", "100");

double numberOr(const std::string& text, double fallback)
{
    double v = 0;
    return TryTextToFloat(text, v) && std::isfinite(v) ? v : fallback;
}

// printf's "%f" follows the C locale; the meter always prints ".".
std::string fixed(const char* fmt, double value) { return ReplaceText(format(fmt, value), ",", "."); }

// c rounded, as the 64-bit number "%X" prints it (a negative count gives
// its two's complement), keeping the last `width` digits.
std::string hexDigits(double c, std::size_t width)
{
    c = std::clamp(std::isfinite(c) ? c : 0.0, -9.2e18, 9.2e18);
    std::string text = format("%.6llX", static_cast<unsigned long long>(std::llround(c)));
    if (text.size() > width)
        text.erase(0, text.size() - width);
    return text;
}

// Zeros in front up to `width`, after a minus sign where there is one.
std::string zeroPadded(std::string text, std::size_t width)
{
    const std::size_t at = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() < width)
        text.insert(at, width - text.size(), '0');
    return text;
}

int level(const Random& random, int from) { return from + random(); }

} // namespace

const std::vector<Code>& codes(MeterModel model)
{
    switch (model) {
    case MeterModel::PXR7X:
        return kPXR7x;
    case MeterModel::PXR500C:
        return kPXR500C;
    case MeterModel::PXR501:
        return kPXR501;
    default:
        return kPXR502;
    }
}

const Code* findCode(MeterModel model, const std::string& code)
{
    for (const Code& c : codes(model))
        if (code == c.code)
            return &c;
    return nullptr;
}

std::size_t valueCount(const Code& code) { return words(code.factory).size(); }

std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while ((pos = text.find_first_not_of(' ', pos)) != std::string::npos) {
        const std::size_t end = std::min(text.find(' ', pos), text.size());
        out.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

Form form(MeterModel model, const Lookup& value)
{
    Form f;
    f.k = numberOr(value("SF", 0), 1);
    if (model == MeterModel::PXR500C)
        return f;
    f.o = numberOr(value("OF", 0), 0);
    if (model == MeterModel::PXR7X) {
        const std::string sd = TrimControls(value("SD", 0));
        f.hex = sd == "h" || sd == "H";
        f.level = sd == "s" || sd == "S";
    } else {
        f.hex = TrimControls(value("SD", 0)) == "1";
        f.content = TrimControls(value("SD", 1));
    }
    return f;
}

std::string distanceLine(MeterModel model, const Form& f, int64_t count, bool noise, bool error, const Random& random)
{
    const double c = static_cast<double>(count + (noise ? random() : 0)) * f.k;
    const double d = c / 1000.0;
    const bool withLevel = f.content == "1" || f.content == "3";
    const bool withTemperature = f.content == "2" || f.content == "3";
    switch (model) {
    case MeterModel::PXR7X:
        if (error)
            return "E10";
        if (f.hex)
            return " " + hexDigits(c, 7);
        return zeroPadded(fixed("%.3f", d), 7) + (f.level ? format(" %.4d", level(random, 1400)) : "");
    case MeterModel::PXR500C: {
        // Fixed fields of eight characters; a value too wide for its field
        // shows as the error value.
        const std::string field = error ? std::string() : fixed("%8.2f", d);
        return field.size() == 8 && field[0] == ' ' ? field : " 9999.90";
    }
    default:
        break;
    }
    // PXR501/502: "D" or "H", the distance, then what SD[1] adds.
    if (error) {
        std::string line = f.hex ? "HE02   " : "DE02   ";
        if (withLevel)
            line += f.hex ? " 0000" : " 00000";
        if (withTemperature)
            line += f.hex ? " 100" : " +25.6";
        return line;
    }
    std::string line;
    if (f.hex) {
        line = "H" + hexDigits(c, 6);
    } else {
        // Nine characters after the "D": the sign, or a blank in its place.
        const std::string number = fixed("%.3f", d);
        line = number[0] == '-' ? "D" + zeroPadded(number, 9) : "D " + zeroPadded(number, 8);
    }
    if (withLevel)
        line += format(f.hex ? " %.4X" : " %.5d", level(random, 1400));
    if (withTemperature)
        line += f.hex ? " 100" : " +25.6";
    return line;
}

std::string signalLine(const Random& random) { return format("%8d", level(random, 1500)); }

double outputIntervalMs(MeterModel model, const std::string& mode, const Lookup& value)
{
    double ms = 0;
    if (model == MeterModel::PXR7X) {
        // ST lengthens every measurement of DT (and DF) and DS; DW and DX run at their fixed rates.
        const double st = numberOr(value("ST", 0), 0);
        if (mode == "DW")
            ms = 100;
        else if (mode == "DX")
            ms = 20;
        else if (st == 0)
            ms = 160;
        else
            ms = st * (mode == "DS" ? 150 : 240);
    } else if (model == MeterModel::PXR500C) {
        ms = numberOr(value("SA", 0), 1) * 10;
    } else {
        double mf = numberOr(value("MF", 0), 1);
        if (mf == 0)
            mf = 1;
        ms = numberOr(value("SA", 0), 1) / mf * 1000;
    }
    // A negative or absurd setting leaves the meter practically silent
    // (the interval read as an unsigned 32-bit count); below a millisecond
    // it cannot measure.
    if (!std::isfinite(ms) || ms < 0 || ms > 4294967295.0)
        return 4294967295.0;
    return std::max(ms, 1.0);
}

} // namespace pxr::meter
