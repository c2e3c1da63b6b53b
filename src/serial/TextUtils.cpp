#include "serial/TextUtils.h"

#include <cctype>
#include <clocale>
#include <cstdlib>

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

bool TryTextToFloat(const std::string& text, double& value)
{
    value = 0.0;
    // Validate the grammar by hand so that the C library's locale, hex floats,
    // "inf" and "nan" never slip in.
    std::string s;
    s.reserve(text.size());
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
        ++digits;
    }
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
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
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            ++j;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
        i = j;
    }
    if (i != text.size())
        return false;
    s.assign(text, start, i - start);
    // strtod honours the C locale's decimal point; use the one it expects.
    const char point = *std::localeconv()->decimal_point;
    for (char& c : s)
        if (c == '.' || c == ',')
            c = point;
    value = std::strtod(s.c_str(), nullptr);
    return true;
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
