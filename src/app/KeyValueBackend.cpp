#include "app/KeyValueBackend.h"

namespace pxr {

std::optional<StoredValue> MemoryKeyValueBackend::read(const std::string& section,
                                                       const std::string& name) const
{
    if (m_failReads && (m_failRead.empty() || m_failRead == name))
        throw SettingsError("The settings store cannot be read");
    const auto it = m_values.find({section, name});
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

void MemoryKeyValueBackend::write(const std::string& section, const std::string& name, const StoredValue& value)
{
    if (m_failWrites)
        throw SettingsError("The settings store cannot be written");
    m_values[{section, name}] = value;
}

void MemoryKeyValueBackend::flush()
{
    if (m_failFlush)
        throw SettingsError("The settings store cannot be saved");
}

void MemoryKeyValueBackend::restart()
{
    if (!m_textOnly)
        return;
    for (auto& entry : m_values) {
        if (entry.second.type == ValueType::Integer)
            entry.second = StoredValue::text(std::to_string(entry.second.integer));
    }
}

void MemoryKeyValueBackend::put(const std::string& section, const std::string& name,
                                StoredValue value)
{
    m_values[{section, name}] = std::move(value);
}

void MemoryKeyValueBackend::remove(const std::string& section, const std::string& name)
{
    m_values.erase({section, name});
}

std::optional<StoredValue> OverlayKeyValueBackend::read(const std::string& section,
                                                        const std::string& name) const
{
    if (auto mine = m_run.read(section, name))
        return mine;
    return m_user.read(section, name);
}

} // namespace pxr
