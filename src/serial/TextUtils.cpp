#include "serial/TextUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pxr {

std::string SplitToken(std::string& text, char delimiter)
{
    const auto p = text.find(delimiter);
    if (p == std::string::npos) {
        std::string token;
        token.swap(text);
        return token;
    }
    std::string token = text.substr(0, p);
    text.erase(0, p + 1);
    return token;
}

std::string ReplaceText(const std::string& source, const std::string& pattern,
                        const std::string& replacement)
{
    if (pattern.empty())
        return source;
    std::string out;
    out.reserve(source.size());
    size_t pos = 0;
    for (;;) {
        const auto hit = source.find(pattern, pos);
        if (hit == std::string::npos)
            break;
        out.append(source, pos, hit - pos);
        out += replacement;
        pos = hit + pattern.size();
    }
    out.append(source, pos, std::string::npos);
    return out;
}

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

bool ScanDecimal(std::string_view text, bool commaToo, size_t& numberBegin)
{
    // Validated by hand so that the C library's locale, hex floats, "inf"
    // and "nan" never slip in.
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    numberBegin = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && (text[i] == '.' || (commaToo && text[i] == ','))) {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        size_t expDigits = 0;
        while (j < text.size() && isDigit(text[j])) {
            ++j;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
        i = j;
    }
    return i == text.size();
}

bool ConvertScannedDecimal(std::string_view number, double& value)
{
    // from_chars takes a "-" but neither a "+" nor a ",": both are dealt
    // with here, in a small buffer, so that nothing is allocated per reading.
    char buf[64];
    std::string owned;
    char* first = buf;
    size_t n = number.size();
    if (!number.empty() && number[0] == '+') {
        number.remove_prefix(1);
        n = number.size();
    }
    if (n > sizeof buf) {
        owned.assign(number);
        first = owned.data();
    } else {
        std::copy(number.begin(), number.end(), buf);
    }
    for (size_t k = 0; k < n; ++k)
        if (first[k] == ',')
            first[k] = '.';
    double v = 0.0;
    const auto r = std::from_chars(first, first + n, v, std::chars_format::general);
    // Out of range (1e999): no infinity reaches a field, an output or the log.
    if (r.ec != std::errc() || r.ptr != first + n || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool TryTextToFloat(const std::string& text, double& value)
{
    value = 0.0;
    size_t begin = 0;
    if (!ScanDecimal(text, true, begin))
        return false;
    return ConvertScannedDecimal(std::string_view(text).substr(begin), value);
}

double TextToFloat(const std::string& text)
{
    double v = 0.0;
    return TryTextToFloat(text, v) ? v : 0.0;
}

std::string TrimControls(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32)
        --e;
    return text.substr(b, e - b);
}

} // namespace pxr
