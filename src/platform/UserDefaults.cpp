#include "platform/UserDefaults.h"

#include "platform/Locations.h"

#include <QSettings>

namespace {
std::unique_ptr<UserDefaults>& instance()
{
    static std::unique_ptr<UserDefaults> defaults;
    return defaults;
}
} // namespace

UserDefaults::UserDefaults(const QString& file)
    : m_settings(std::make_unique<QSettings>(file, QSettings::IniFormat))
{
}

UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::standardUserDefaults()
{
    auto& defaults = instance();
    if (!defaults)
        defaults.reset(new UserDefaults(Locations::current().userDefaultsFile));
    return *defaults;
}

void UserDefaults::reload()
{
    // The object stays, only its store changes: callers may hold a reference.
    auto& defaults = instance();
    if (defaults)
        defaults->m_settings = std::make_unique<QSettings>(Locations::current().userDefaultsFile, QSettings::IniFormat);
    else
        defaults.reset(new UserDefaults(Locations::current().userDefaultsFile));
}

bool UserDefaults::contains(const QString& key) const
{
    return m_settings->contains(key);
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    return m_settings->value(key);
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    // The settings format splits an unquoted value at its commas, and every
    // stored date holds one: a hand-edited "Mar 5, 2024 ..." comes back whole.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    if (!value.isValid() || !value.canConvert<QString>())
        return QString();
    // An empty string read back from the file must stay distinguishable from an absent key.
    const QString text = value.toString();
    return text.isNull() ? QStringLiteral("") : text;
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    bool ok = false;
    const qint64 value = m_settings->value(key).toLongLong(&ok);
    return ok ? value : 0;
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().toLower();
        return text == QStringLiteral("true") || text == QStringLiteral("yes") || text.toLongLong() != 0;
    }
    return value.toBool();
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    m_settings->setValue(key, value);
}

void UserDefaults::setInteger(qint64 value, const QString& key)
{
    m_settings->setValue(key, value);
}

void UserDefaults::setBool(bool value, const QString& key)
{
    m_settings->setValue(key, value);
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    m_settings->remove(key);
}

bool UserDefaults::synchronize()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
