#include "parameters/ProfileReader.h"

namespace pxr {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view skipUtf8Mark(std::string_view text)
{
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (text.substr(0, kMark.size()) == kMark)
        text.remove_prefix(kMark.size());
    return text;
}

enum class LineKind { Ignored, Section, Entry };

struct ProfileLine {
    LineKind kind = LineKind::Ignored;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // entries only: trimmed, cut at a NUL
};

ProfileLine parseLine(std::string_view line)
{
    ProfileLine parsed;
    const std::string_view s = trimBlanks(line);
    if (s.empty() || s.front() == ';')
        return parsed;
    if (s.front() == '[') {
        const std::size_t close = s.find(']');
        if (close == std::string_view::npos)
            return parsed;
        parsed.kind = LineKind::Section;
        parsed.name = trimBlanks(s.substr(1, close - 1));
        return parsed;
    }
    const std::size_t eq = s.find('=');
    if (eq == std::string_view::npos)
        return parsed;
    parsed.name = trimBlanks(s.substr(0, eq));
    if (parsed.name.empty())
        return parsed;
    std::string_view value = s.substr(eq + 1);
    value = value.substr(0, value.find('\0'));
    parsed.value = trimBlanks(value);
    parsed.kind = LineKind::Entry;
    return parsed;
}

} // namespace

std::string_view nextTextLine(std::string_view& rest)
{
    const std::size_t end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        const std::string_view line = rest;
        rest = std::string_view();
        return line;
    }
    const std::string_view line = rest.substr(0, end);
    const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
    rest.remove_prefix(end + (crlf ? 2 : 1));
    return line;
}

bool sameTextIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

bool profileHasSection(std::string_view text, std::string_view section)
{
    text = skipUtf8Mark(text);
    while (!text.empty()) {
        const ProfileLine line = parseLine(nextTextLine(text));
        if (line.kind == LineKind::Section && sameTextIgnoringCase(line.name, section))
            return true;
    }
    return false;
}

std::optional<std::string> profileString(std::string_view text, std::string_view section,
                                         std::string_view key)
{
    text = skipUtf8Mark(text);
    bool inSection = false;
    while (!text.empty()) {
        const ProfileLine line = parseLine(nextTextLine(text));
        if (line.kind == LineKind::Section)
            inSection = sameTextIgnoringCase(line.name, section);
        else if (line.kind == LineKind::Entry && inSection && sameTextIgnoringCase(line.name, key))
            return std::string(line.value.substr(0, kProfileValueLimit));
    }
    return std::nullopt;
}

} // namespace pxr
