#pragma once
// The program's persistent settings over a key/value backend: the typed
// section/value accessors with their conversion rules, the port settings of
// section `ComPort`, and readers/writers for the fixed values of `Device`,
// `Graphic` and `Directory`.
//
// Reads never fail for a missing section or value (the default applies);
// a value of the wrong type throws InvalidDataTypeError. Writes create what
// is missing.

#include "app/KeyValueBackend.h"
#include "app/PortSettings.h"
#include "dialogs/DirectorySetup.h"
#include "measurement/GraphicSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pxr {

// "Ungültiger Datentyp für '<name>'" (UTF-8).
class InvalidDataTypeError : public SettingsError {
public:
    explicit InvalidDataTypeError(const std::string& valueName);
    const std::string& valueName() const { return m_valueName; }

private:
    std::string m_valueName;
};

// Everything read at program start. `problems` lists, one line each, what
// could not be read and was replaced by its default; message() turns them
// into the one text shown to the user.
struct StartupSettings {
    int32_t deviceType = 0;
    PortSettings port;
    GraphicSettings graphic;
    DirectorySettings directories;
    std::vector<std::string> problems;

    bool ok() const { return problems.empty(); }
    std::string message() const;  // empty when ok()
};

class SettingsStore : public DirectoryStore {
public:
    explicit SettingsStore(KeyValueBackend& backend) : m_backend(backend) {}

    // Missing: default. Text: the decimal integer it holds, or the default if
    // it holds none. Integer: the value. Binary: InvalidDataTypeError.
    int32_t readInteger(const std::string& section, const std::string& name,
                        int32_t def) const;
    // A value that exists as text stays text; otherwise a 32-bit integer.
    void writeInteger(const std::string& section, const std::string& name, int32_t value);

    // readInteger with default 0 or 1, true when not 0 (so "5" and 5 are true).
    bool readBool(const std::string& section, const std::string& name, bool def) const;
    // The text "1" or "0".
    void writeBool(const std::string& section, const std::string& name, bool value);

    // Missing: default. Text: the text. Anything else: InvalidDataTypeError
    // (an integer counts as its decimal text in a text-only store).
    std::string readString(const std::string& section, const std::string& name,
                           const std::string& def) const;
    void writeString(const std::string& section, const std::string& name,
                     const std::string& value);

    // Missing: default. Binary of 8 bytes: the little-endian IEEE double.
    // In a text-only store also a text holding a number. Anything else:
    // InvalidDataTypeError.
    double readFloat(const std::string& section, const std::string& name, double def) const;
    // Typed store: 8 bytes binary. Text-only store: the shortest text that
    // reads back as exactly the same double.
    void writeFloat(const std::string& section, const std::string& name, double value);

    // Saves the writes so far (SettingsError when that fails). The group
    // writers below do it themselves.
    void flush();

    // Reads the six `ComPort` texts and converts them through the tables
    // (case-insensitive); a text matching no entry gives the table's default,
    // for the flow control the one of `current`. Any failure throws
    // SettingsError "Failed to load settings".
    PortSettings loadPortSettings(const PortSettings& current = {}) const;
    // Writes the six texts; any failure throws "Failed to store settings".
    void storePortSettings(const PortSettings& settings);

    int32_t readDeviceType() const;  // `Device`/`Type`, 0 when missing; not range-checked
    void writeDeviceType(int32_t type);

    GraphicSettings readGraphic() const;
    void writeGraphic(const GraphicSettings& graphic);

    // Both default to `documentsFolder`, each on its own: a value that is
    // missing or cannot be read gives the default (and, with `problems`, a
    // line there naming it), the other one is still read. Never throws.
    DirectorySettings readDirectories(const std::string& documentsFolder,
                                      std::vector<std::string>* problems) const;
    DirectorySettings readDirectories(const std::string& documentsFolder) const override
    {
        return readDirectories(documentsFolder, nullptr);
    }
    void writeDirectories(const DirectorySettings& directories) override;

    // Everything the program reads at start, never throwing: a value that
    // cannot be read gets its default and a line in `problems`, and so does
    // a model line outside 0..2 and a store the backend found damaged.
    StartupSettings loadAllWithDefaults(const std::string& documentsFolder,
                                        const PortSettings& current = {}) const;

private:
    std::optional<StoredValue> fetch(const std::string& section, const std::string& name) const;

    KeyValueBackend& m_backend;
};

} // namespace pxr
