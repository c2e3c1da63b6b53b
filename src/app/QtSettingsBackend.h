#pragma once
// QSettings behind the settings store: native format, user scope,
// organisation and application "PXRTool". On Linux that is the INI file
// $XDG_CONFIG_HOME/PXRTool/PXRTool.conf with one group per section.
// Texts cross the boundary as UTF-8.

#include "app/KeyValueBackend.h"

#include <QSettings>
#include <QString>

namespace pxr {

class QtSettingsBackend : public KeyValueBackend {
public:
    QtSettingsBackend();
    ~QtSettingsBackend() override;

    // An INI file keeps no types: integers read back as text in the next run.
    bool textOnly() const override { return true; }
    std::optional<StoredValue> read(const std::string& section,
                                    const std::string& name) const override;
    // Texts as UTF-8 strings, integers as numbers, bytes as a byte array.
    void write(const std::string& section, const std::string& name, const StoredValue& value) override;
    void flush() override;
    std::string damage() const override { return m_damage; }

    QString fileName() const { return m_settings.fileName(); }

private:
    // The value's text as the file holds it, for the values QSettings does
    // not give back as they were written.
    std::optional<std::string> rawText(const std::string& section, const std::string& name) const;

    QSettings m_settings;
    std::string m_damage;
};

// The settings a run of pxrtool uses: the user's file, or, for a run that is
// not the user's own setup (keepsUserSettings), the user's values with this
// run's writes kept in memory, so that the file stays as it was.
class RunSettings {
public:
    explicit RunSettings(bool keepUserSettings) : m_keep(keepUserSettings) {}
    KeyValueBackend& backend() { return m_keep ? static_cast<KeyValueBackend&>(m_overlay) : m_user; }
    bool writesUserSettings() const { return !m_keep; }

private:
    QtSettingsBackend m_user;
    OverlayKeyValueBackend m_overlay{m_user};
    bool m_keep;
};

} // namespace pxr
