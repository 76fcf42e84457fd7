#include "platform/UserDefaults.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"

#include <QFile>
#include <QSettings>

namespace {

std::unique_ptr<UserDefaults>& instance()
{
    static std::unique_ptr<UserDefaults> defaults;
    return defaults;
}

// QSettings keeps the parse error of a damaged file for as long as the object
// lives, so every later save would be reported as failed although it rewrites
// the file soundly; the first-run registration, which waits for a save that
// worked, would then never happen. A damaged file is therefore moved aside
// (kept for whoever wants to look at it) and the store starts over with the
// values that could still be read.
std::unique_ptr<QSettings> open(const QString& file)
{
    auto settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    // Sections are parsed on first use: ask for every key to learn the status.
    const QStringList keys = settings->allKeys();
    if (settings->status() != QSettings::FormatError)
        return settings;

    QVariantMap readable;
    for (const QString& key : keys) {
        if (!key.isEmpty())
            readable.insert(key, settings->value(key));
    }
    settings.reset();
    const QString aside = file + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(file, aside)) {
        SystemLog::write(QStringLiteral("The settings file %1 is damaged and cannot be moved aside; "
                                        "settings will not be saved")
                             .arg(file));
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    }
    SystemLog::write(QStringLiteral(
        "The settings file %1 is damaged; it was moved to %2 and unreadable values count as not set")
                         .arg(file, aside));
    settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    for (auto it = readable.cbegin(); it != readable.cend(); ++it)
        settings->setValue(it.key(), it.value());
    return settings;
}

} // namespace

UserDefaults::UserDefaults(const QString& file)
    : m_settings(open(file))
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
    if (defaults) {
        // Closed first: it saves what it still holds, and a second object on
        // the same file would share its cached copy of that file.
        defaults->m_settings.reset();
        defaults->m_settings = open(Locations::current().userDefaultsFile);
    } else {
        defaults.reset(new UserDefaults(Locations::current().userDefaultsFile));
    }
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
