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
    void writeText(const std::string& section, const std::string& name,
                   const std::string& text) override;
    void writeInteger(const std::string& section, const std::string& name,
                      int32_t value) override;
    void writeBinary(const std::string& section, const std::string& name,
                     const std::string& bytes) override;
    void flush() override;
    std::string damage() const override { return m_damage; }

    QString fileName() const { return m_settings.fileName(); }

private:
    QSettings m_settings;
    std::string m_damage;
};

} // namespace pxr
