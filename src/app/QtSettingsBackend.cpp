#include "app/QtSettingsBackend.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QVariant>

#include <limits>

namespace pxr {

namespace {

QString keyOf(const std::string& section, const std::string& name)
{
    return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(name);
}

std::string utf8(const QString& s)
{
    return s.toUtf8().toStdString();
}

} // namespace

QtSettingsBackend::QtSettingsBackend()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PXRTool"),
                 QStringLiteral("PXRTool"))
{
    // QSettings parses lazily and reports a damaged file only once it has
    // read it; read everything now so that the damage is known at start.
    (void)m_settings.allKeys();
    const std::string file = utf8(m_settings.fileName());
    switch (m_settings.status()) {
    case QSettings::NoError:
        break;
    case QSettings::FormatError:
        m_damage = "The settings file '" + file
            + "' is damaged; entries that could not be read are ignored";
        break;
    case QSettings::AccessError:
        m_damage = "The settings file '" + file + "' cannot be read";
        break;
    }
}

QtSettingsBackend::~QtSettingsBackend() = default;

std::optional<std::string> QtSettingsBackend::rawText(const std::string& section,
                                                      const std::string& name) const
{
    QFile file(m_settings.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = "[" + QByteArray::fromStdString(section) + "]";
    bool inSection = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[')) {
            inSection = line == header;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (inSection && eq > 0 && line.left(eq).trimmed() == QByteArray::fromStdString(name))
            return line.mid(eq + 1).trimmed().toStdString();
    }
    return std::nullopt;
}

std::optional<StoredValue> QtSettingsBackend::read(const std::string& section,
                                                   const std::string& name) const
{
    const QString key = keyOf(section, name);
    if (!m_settings.contains(key))
        return std::nullopt;
    const QVariant v = m_settings.value(key);
    switch (v.typeId()) {
    case QMetaType::QString:
        return StoredValue::text(utf8(v.toString()));
    case QMetaType::QStringList:
        // An unquoted comma in a hand-edited file ("Port=/dev/a,b") splits
        // the text into a list, and the blanks around the comma are lost;
        // the line in the file still has the text as the user wrote it.
        if (const auto raw = rawText(section, name))
            return StoredValue::text(*raw);
        return StoredValue::text(utf8(v.toStringList().join(QLatin1Char(','))));
    case QMetaType::QByteArray:
        return StoredValue::binary(v.toByteArray().toStdString());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        // Values written earlier in this run come back with their type.
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (ok && n >= std::numeric_limits<int32_t>::min()
            && n <= std::numeric_limits<int32_t>::max())
            return StoredValue::number(int32_t(n));
        return StoredValue::text(utf8(v.toString()));
    }
    case QMetaType::Double:
    case QMetaType::Bool:
        return StoredValue::text(utf8(v.toString()));
    default:
        break;
    }
    // Anything else (a serialised @Variant) is nothing the settings use.
    return StoredValue::binary({});
}

void QtSettingsBackend::write(const std::string& section, const std::string& name, const StoredValue& value)
{
    const QString key = keyOf(section, name);
    switch (value.type) {
    case ValueType::Text:
        m_settings.setValue(key, QString::fromUtf8(value.data));
        return;
    case ValueType::Integer:
        m_settings.setValue(key, int(value.integer));
        return;
    case ValueType::Binary:
        m_settings.setValue(key, QByteArray(value.data.data(), qsizetype(value.data.size())));
        return;
    }
}

void QtSettingsBackend::flush()
{
    m_settings.sync();
    // status() keeps the first error only: after a damaged file was read it
    // stays FormatError, so ask about writability as well.
    if (m_settings.status() == QSettings::AccessError || !m_settings.isWritable())
        throw SettingsError("The settings file '" + utf8(m_settings.fileName())
                            + "' cannot be written");
}

} // namespace pxr
