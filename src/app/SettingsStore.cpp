#include "app/SettingsStore.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>

#include "devices/DeviceType.h"

namespace pxr {

namespace {

const char* const kDevice = "Device";
const char* const kComPort = "ComPort";
const char* const kGraphic = "Graphic";
const char* const kDirectory = "Directory";

// ---- text conversions --------------------------------------------------

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// from_chars refuses a leading '+', a hand-edited value may carry one.
const char* skipPlus(const std::string& s)
{
    const char* p = s.data();
    if (!s.empty() && *p == '+' && s.size() > 1 && s[1] != '-')
        ++p;
    return p;
}

// The whole text, blanks around it allowed, as a number of type T.
template <class T>
std::optional<T> parseNumber(const std::string& text)
{
    const std::string t = trimmed(text);
    if (t.empty())
        return std::nullopt;
    T value{};
    const char* end = t.data() + t.size();
    const auto r = std::from_chars(skipPlus(t), end, value);
    if (r.ec != std::errc() || r.ptr != end)
        return std::nullopt;
    return value;
}

std::optional<int32_t> parseInteger(const std::string& text) { return parseNumber<int32_t>(text); }
// from_chars reads "inf" and "nan" too; no value of the store is either.
std::optional<double> parseDouble(const std::string& text)
{
    const auto value = parseNumber<double>(text);
    return value && std::isfinite(*value) ? value : std::nullopt;
}

// Shortest text that reads back as the same double, independent of the locale.
std::string formatDouble(double value)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

// The registry's REG_BINARY double: 8 bytes, least significant first.
std::string doubleToBytes(double value)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::string out(8, '\0');
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return out;
}

double bytesToDouble(const std::string& bytes)
{
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool equalsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// One line of the start-up message: the value and why it fell back.
std::string problemText(const char* section, const std::string& name, const std::exception& e)
{
    return std::string(section) + "/" + name + ": " + e.what();
}

// ---- port settings tables ----------------------------------------------

struct PortField {
    const char* name;
    std::vector<std::string> entries;  // empty: any text is taken as it is
    const char* def;                   // nullptr: no match keeps the current setting
    std::function<std::string(const PortSettings&)> get;
    std::function<void(PortSettings&, const std::string&)> set;
};

const std::vector<PortField>& portFields()
{
    static const std::vector<PortField> fields = {
        {"Port", {}, "",
         [](const PortSettings& s) { return s.port; },
         [](PortSettings& s, const std::string& t) { s.port = t; }},
        {"BaudRate",
         {"110", "300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600",
          "115200", "230400", "460800"},
         "9600",
         [](const PortSettings& s) { return std::to_string(s.baudRate); },
         [](PortSettings& s, const std::string& t) { s.baudRate = uint32_t(std::stoul(t)); }},
        {"StopBits", {"1", "1.5", "2"}, "1",
         [](const PortSettings& s) { return s.stopBits; },
         [](PortSettings& s, const std::string& t) { s.stopBits = t; }},
        {"DataBits", {"5", "6", "7", "8"}, "8",
         [](const PortSettings& s) { return std::to_string(s.dataBits); },
         [](PortSettings& s, const std::string& t) { s.dataBits = std::stoi(t); }},
        {"Parity", {"None", "Odd", "Even", "Mark", "Space"}, "None",
         [](const PortSettings& s) { return s.parity; },
         [](PortSettings& s, const std::string& t) { s.parity = t; }},
        {"FlowControl", {"Hardware", "Software", "None"}, nullptr,
         [](const PortSettings& s) { return s.flowControl; },
         [](PortSettings& s, const std::string& t) { s.flowControl = t; }},
    };
    return fields;
}

const std::string* matchEntry(const PortField& field, const std::string& text)
{
    for (const auto& entry : field.entries) {
        if (equalsNoCase(entry, text))
            return &entry;
    }
    return nullptr;
}

// The stored texts, in the order of portFields(), applied together.
PortSettings convertPortTexts(const std::vector<std::string>& texts, const PortSettings& current)
{
    PortSettings result = current;
    const auto& fields = portFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const PortField& f = fields[i];
        if (f.entries.empty()) {
            f.set(result, texts[i]);
        } else if (const std::string* entry = matchEntry(f, texts[i])) {
            f.set(result, *entry);
        } else if (f.def) {
            f.set(result, f.def);
        }
    }
    return result;
}

// ---- fixed values of Graphic and Directory --------------------------------

// A field of a settings struct and the name of its value in the store.
template <typename Settings, typename Field>
struct NamedField {
    const char* name;
    Field Settings::*member;
};

const NamedField<GraphicSettings, double> kGraphicFloats[] = {
    {"Minimum", &GraphicSettings::minimum},
    {"Maximum", &GraphicSettings::maximum},
};

const NamedField<GraphicSettings, bool> kGraphicFlags[] = {
    {"AutoScale", &GraphicSettings::autoScale},
    {"Pointer", &GraphicSettings::pointer},
    {"Stair", &GraphicSettings::stair},
    {"AllowZoom", &GraphicSettings::allowZoom},
    {"AllowPan", &GraphicSettings::allowPan},
};

const char* const kGraphicNumber = "Number";

const NamedField<DirectorySettings, std::string> kDirectoryValues[] = {
    {"Parameter", &DirectorySettings::parameter},
    {"LogFile", &DirectorySettings::logFile},
};

} // namespace

// ---- errors ------------------------------------------------------------------

InvalidDataTypeError::InvalidDataTypeError(const std::string& valueName)
    : SettingsError("Ungültiger Datentyp für '" + valueName + "'"), m_valueName(valueName)
{
}

std::string StartupSettings::message() const
{
    if (problems.empty())
        return {};
    std::string text = "Some settings could not be read; their defaults are used instead:";
    for (const auto& p : problems)
        text += "\n" + p;
    return text;
}

// ---- section/value access ------------------------------------------------

std::optional<StoredValue> SettingsStore::fetch(const std::string& section,
                                                const std::string& name) const
{
    auto value = m_backend.read(section, name);
    // In a text-only store an integer is an accident of this process (written
    // earlier in this run); after a restart it is text. Treat it as text now
    // so that the program behaves the same before and after a restart.
    if (value && m_backend.textOnly() && value->type == ValueType::Integer)
        value = StoredValue::text(std::to_string(value->integer));
    return value;
}

int32_t SettingsStore::readInteger(const std::string& section, const std::string& name,
                                   int32_t def) const
{
    const auto value = fetch(section, name);
    if (!value)
        return def;
    switch (value->type) {
    case ValueType::Text:
        return parseInteger(value->data).value_or(def);
    case ValueType::Integer:
        return value->integer;
    case ValueType::Binary:
        break;
    }
    throw InvalidDataTypeError(name);
}

void SettingsStore::writeInteger(const std::string& section, const std::string& name,
                                 int32_t value)
{
    const auto old = fetch(section, name);
    if (old && old->type == ValueType::Text)
        m_backend.writeText(section, name, std::to_string(value));
    else
        m_backend.writeInteger(section, name, value);
}

bool SettingsStore::readBool(const std::string& section, const std::string& name, bool def) const
{
    return readInteger(section, name, def ? 1 : 0) != 0;
}

void SettingsStore::writeBool(const std::string& section, const std::string& name, bool value)
{
    m_backend.writeText(section, name, value ? "1" : "0");
}

std::string SettingsStore::readString(const std::string& section, const std::string& name,
                                      const std::string& def) const
{
    const auto value = fetch(section, name);
    if (!value)
        return def;
    if (value->type != ValueType::Text)
        throw InvalidDataTypeError(name);
    return value->data;
}

void SettingsStore::writeString(const std::string& section, const std::string& name,
                                const std::string& value)
{
    m_backend.writeText(section, name, value);
}

double SettingsStore::readFloat(const std::string& section, const std::string& name,
                                double def) const
{
    const auto value = fetch(section, name);
    if (!value)
        return def;
    if (value->type == ValueType::Binary && value->data.size() == 8)
        return bytesToDouble(value->data);
    if (value->type == ValueType::Text && m_backend.textOnly()) {
        if (const auto d = parseDouble(value->data))
            return *d;
    }
    throw InvalidDataTypeError(name);
}

void SettingsStore::writeFloat(const std::string& section, const std::string& name, double value)
{
    if (m_backend.textOnly())
        m_backend.writeText(section, name, formatDouble(value));
    else
        m_backend.writeBinary(section, name, doubleToBytes(value));
}

void SettingsStore::flush()
{
    m_backend.flush();
}

// ---- port settings -----------------------------------------------------------

PortSettings SettingsStore::loadPortSettings(const PortSettings& current) const
{
    try {
        std::vector<std::string> texts;
        for (const auto& f : portFields())
            texts.push_back(readString(kComPort, f.name, ""));
        return convertPortTexts(texts, current);
    } catch (const std::exception& e) {
        throw SettingsError("Failed to load settings", e.what());
    }
}

void SettingsStore::storePortSettings(const PortSettings& settings)
{
    try {
        for (const auto& f : portFields()) {
            const std::string text = f.get(settings);
            // A setting the table spells differently is written in the table's
            // spelling; one the table lacks (a custom rate) as it is.
            const std::string* entry = matchEntry(f, text);
            writeString(kComPort, f.name, entry ? *entry : text);
        }
        flush();
    } catch (const std::exception& e) {
        throw SettingsError("Failed to store settings", e.what());
    }
}

// ---- fixed values ------------------------------------------------------------

int32_t SettingsStore::readDeviceType() const
{
    return readInteger(kDevice, "Type", 0);
}

void SettingsStore::writeDeviceType(int32_t type)
{
    writeInteger(kDevice, "Type", type);
    flush();
}

GraphicSettings SettingsStore::readGraphic() const
{
    const GraphicSettings defaults;
    GraphicSettings g;
    for (const auto& v : kGraphicFloats)
        g.*v.member = readFloat(kGraphic, v.name, defaults.*v.member);
    for (const auto& v : kGraphicFlags)
        g.*v.member = readBool(kGraphic, v.name, defaults.*v.member);
    g.number = readInteger(kGraphic, kGraphicNumber, defaults.number);
    return g;
}

void SettingsStore::writeGraphic(const GraphicSettings& g)
{
    for (const auto& v : kGraphicFloats)
        writeFloat(kGraphic, v.name, g.*v.member);
    for (const auto& v : kGraphicFlags)
        writeBool(kGraphic, v.name, g.*v.member);
    writeInteger(kGraphic, kGraphicNumber, g.number);
    flush();
}

DirectorySettings SettingsStore::readDirectories(const std::string& documentsFolder,
                                                 std::vector<std::string>* problems) const
{
    DirectorySettings d;
    for (const auto& v : kDirectoryValues) {
        d.*v.member = documentsFolder;
        try {
            d.*v.member = readString(kDirectory, v.name, documentsFolder);
        } catch (const std::exception& e) {
            if (problems)
                problems->push_back(problemText(kDirectory, v.name, e));
        }
    }
    return d;
}

void SettingsStore::writeDirectories(const DirectorySettings& d)
{
    for (const auto& v : kDirectoryValues)
        writeString(kDirectory, v.name, d.*v.member);
    flush();
}

// ---- start-up ------------------------------------------------------------------

StartupSettings SettingsStore::loadAllWithDefaults(const std::string& documentsFolder,
                                                   const PortSettings& current) const
{
    StartupSettings s;
    if (const std::string damage = m_backend.damage(); !damage.empty())
        s.problems.push_back(damage);

    // Runs one read; on failure the target keeps its default and the reason
    // is noted, so that a single bad value costs only itself.
    const auto attempt = [&s](const char* section, const std::string& name,
                              const std::function<void()>& read) {
        try {
            read();
        } catch (const std::exception& e) {
            s.problems.push_back(problemText(section, name, e));
        }
    };

    attempt(kDevice, "Type", [&] { s.deviceType = readDeviceType(); });
    if (s.deviceType < 0 || s.deviceType >= kModelLines) {
        // No arrangement of the main window exists for such a value; start
        // as on a fresh machine instead.
        s.problems.push_back(std::string(kDevice) + "/Type: " + std::to_string(s.deviceType)
                             + " is not a model line");
        s.deviceType = 0;
    }

    std::vector<std::string> texts;
    for (const auto& f : portFields()) {
        texts.emplace_back();
        attempt(kComPort, f.name, [&] { texts.back() = readString(kComPort, f.name, ""); });
    }
    s.port = convertPortTexts(texts, current);

    const GraphicSettings defaults;
    for (const auto& v : kGraphicFloats)
        attempt(kGraphic, v.name, [&] {
            s.graphic.*v.member = readFloat(kGraphic, v.name, defaults.*v.member);
        });
    for (const auto& v : kGraphicFlags)
        attempt(kGraphic, v.name, [&] {
            s.graphic.*v.member = readBool(kGraphic, v.name, defaults.*v.member);
        });
    attempt(kGraphic, kGraphicNumber, [&] {
        s.graphic.number = readInteger(kGraphic, kGraphicNumber, defaults.number);
    });

    s.directories = readDirectories(documentsFolder, &s.problems);
    return s;
}

} // namespace pxr
