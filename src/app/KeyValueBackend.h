#pragma once
// Key/value store behind the settings: values addressed by section and name,
// each stored as text, as a 32-bit integer or as raw bytes. The settings rules
// (defaults, conversions, type checks) live in SettingsStore; a backend only
// keeps what it is given.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace pxr {

// Any failure of the settings store. `what()` is the text for the user;
// `cause()` optionally names the underlying failure (a wrong type, an
// unwritable file) when the text is a fixed one such as "Failed to load settings".
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const std::string& message, std::string cause = {})
        : std::runtime_error(message), m_cause(std::move(cause)) {}
    const std::string& cause() const { return m_cause; }

private:
    std::string m_cause;
};

enum class ValueType { Text, Integer, Binary };

struct StoredValue {
    ValueType type = ValueType::Text;
    std::string data;     // Text: the text (UTF-8); Binary: the raw bytes
    int32_t integer = 0;  // Integer only

    static StoredValue text(std::string t) { return {ValueType::Text, std::move(t), 0}; }
    static StoredValue number(int32_t v) { return {ValueType::Integer, {}, v}; }
    static StoredValue binary(std::string b) { return {ValueType::Binary, std::move(b), 0}; }
    bool operator==(const StoredValue& o) const
    {
        return type == o.type && data == o.data && integer == o.integer;
    }
};

class KeyValueBackend {
public:
    virtual ~KeyValueBackend() = default;

    // True when the store does not keep the integer type across a restart,
    // so that an integer written now reads back as its decimal text later
    // (an INI file). The settings rules then treat integers and texts alike.
    virtual bool textOnly() const = 0;

    // Missing section or value: std::nullopt. May throw SettingsError when
    // the store cannot be read at all.
    virtual std::optional<StoredValue> read(const std::string& section,
                                            const std::string& name) const = 0;
    bool exists(const std::string& section, const std::string& name) const
    {
        return read(section, name).has_value();
    }

    // Writes create the section when it is missing and replace a value of
    // any type. May throw SettingsError.
    virtual void write(const std::string& section, const std::string& name, const StoredValue& value) = 0;
    void writeText(const std::string& section, const std::string& name, const std::string& text)
    {
        write(section, name, StoredValue::text(text));
    }
    void writeInteger(const std::string& section, const std::string& name, int32_t value)
    {
        write(section, name, StoredValue::number(value));
    }
    void writeBinary(const std::string& section, const std::string& name, const std::string& bytes)
    {
        write(section, name, StoredValue::binary(bytes));
    }

    // Makes the writes so far permanent; throws SettingsError when they could
    // not be saved. Stores that write through do nothing.
    virtual void flush() {}

    // Non-empty when the store was found damaged or unreadable when it was
    // opened: the values that survived are still served, the rest read as
    // missing. The text is meant for the user.
    virtual std::string damage() const { return {}; }
};

// A store in memory, for tests and for running without a persistent store.
// `textOnly` selects which kind of store it stands for; `restart()` turns
// it into what a text-only store would read back in a fresh process.
// Failures can be switched on to exercise the error paths of the callers.
class MemoryKeyValueBackend : public KeyValueBackend {
public:
    explicit MemoryKeyValueBackend(bool textOnly = false) : m_textOnly(textOnly) {}

    bool textOnly() const override { return m_textOnly; }
    std::optional<StoredValue> read(const std::string& section,
                                    const std::string& name) const override;
    void write(const std::string& section, const std::string& name, const StoredValue& value) override;
    void flush() override;
    std::string damage() const override { return m_damage; }

    // Integers become their decimal text, as a text-only store reads them
    // back after the program restarted. Does nothing for a typed store.
    void restart();
    // Puts a value of any type, as a user editing the store by hand would.
    void put(const std::string& section, const std::string& name, StoredValue value);
    void remove(const std::string& section, const std::string& name);
    void clear() { m_values.clear(); }
    std::size_t size() const { return m_values.size(); }

    // Fault injection: reads of the named value (or of every value when
    // `name` is empty) throw; writes throw; flush throws; damage() reports `text`.
    void failReadOf(const std::string& name) { m_failRead = name; m_failReads = true; }
    void failWrites(bool on) { m_failWrites = on; }
    void failFlush(bool on) { m_failFlush = on; }
    void setDamage(std::string text) { m_damage = std::move(text); }

private:
    using Key = std::pair<std::string, std::string>;

    bool m_textOnly;
    std::map<Key, StoredValue> m_values;
    bool m_failReads = false;
    std::string m_failRead;
    bool m_failWrites = false;
    bool m_failFlush = false;
    std::string m_damage;
};

// The user's store seen through a layer that keeps this run's writes in
// memory: reads give what this run wrote, else what the user's store holds;
// nothing ever reaches the user's store. For runs that are not the user's
// own setup (a demonstration, a port given for one run), so that confirming
// a dialog there does not change what the next ordinary start finds.
class OverlayKeyValueBackend : public KeyValueBackend {
public:
    explicit OverlayKeyValueBackend(const KeyValueBackend& user)
        : m_user(user), m_run(user.textOnly()) {}

    bool textOnly() const override { return m_user.textOnly(); }
    std::optional<StoredValue> read(const std::string& section,
                                    const std::string& name) const override;
    void write(const std::string& section, const std::string& name, const StoredValue& value) override
    {
        m_run.write(section, name, value);
    }
    std::string damage() const override { return m_user.damage(); }

    // Values written in this run.
    std::size_t written() const { return m_run.size(); }

private:
    const KeyValueBackend& m_user;
    MemoryKeyValueBackend m_run;
};

} // namespace pxr
