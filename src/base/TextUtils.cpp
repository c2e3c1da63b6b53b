#include "base/TextUtils.h"

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

// Moves `i` past a sign, if there is one.
void skipSign(std::string_view text, size_t& i)
{
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
}

// Moves `i` past a run of digits; returns how many there were.
size_t skipDigits(std::string_view text, size_t& i)
{
    const size_t from = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i - from;
}
} // namespace

bool ReadWholeNumber(std::string_view text, int64_t cap, int64_t& value)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    skipSign(text, i);
    if (i == text.size())
        return false;
    int64_t n = 0;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i]))
            return false;
        n = std::min(n * 10 + (text[i] - '0'), cap);
    }
    value = negative ? -n : n;
    return true;
}

namespace {
char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
} // namespace

std::string LowerCase(std::string text)
{
    for (char& c : text)
        c = lowerAscii(c);
    return text;
}

std::string UpperCase(std::string text)
{
    for (char& c : text)
        c = upperAscii(c);
    return text;
}

bool SameTextNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool ScanDecimal(std::string_view text, bool commaToo, size_t& numberBegin)
{
    // Validated by hand so that the C library's locale, hex floats, "inf"
    // and "nan" never slip in.
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    numberBegin = i;
    skipSign(text, i);
    size_t digits = skipDigits(text, i);
    if (i < text.size() && (text[i] == '.' || (commaToo && text[i] == ','))) {
        ++i;
        digits += skipDigits(text, i);
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        skipSign(text, i);
        if (skipDigits(text, i) == 0)
            return false;
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

namespace {

// Windows-1252 between 0x80 and 0x9F.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// Length of the valid UTF-8 sequence at pos, or 0.
size_t utf8Length(const std::string& s, size_t pos)
{
    const auto at = [&s](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = at(pos);
    size_t n = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + n > s.size())
        return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((at(pos + i) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (at(pos + i) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    const char32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[n] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return 0;
    return n;
}

} // namespace

char32_t windows1252Char(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : static_cast<char32_t>(byte);
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string characterAt(const std::string& bytes, size_t pos, size_t& length)
{
    length = 0;
    if (pos >= bytes.size())
        return std::string();
    length = utf8Length(bytes, pos);
    if (length > 0)
        return bytes.substr(pos, length);
    length = 1;
    std::string out;
    appendUtf8(out, windows1252Char(static_cast<unsigned char>(bytes[pos])));
    return out;
}

} // namespace pxr
