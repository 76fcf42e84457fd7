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

} // namespace

UserDefaults::UserDefaults(const QString& file)
{
    open(file);
}

void UserDefaults::open(const QString& file)
{
    m_settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    // Sections are parsed on first use: ask for every key to learn the status.
    m_settings->allKeys();
    m_damaged = m_settings->status() == QSettings::FormatError;
    if (m_damaged)
        SystemLog::write(
            QStringLiteral("The settings file %1 is damaged; what cannot be read counts as not set")
                .arg(file));
}

// QSettings keeps the parse error of a damaged file for as long as the object
// lives, so every later save would be reported as failed although it rewrites
// the file soundly; the first-run registration, which waits for a save that
// worked, would then never happen. So the first save moves the damaged file
// aside, kept for whoever wants to look at it, and starts a fresh store with
// every value held now. Only a save does this: reading never changes the file.
bool UserDefaults::startOverFromDamagedFile()
{
    const QString file = m_settings->fileName();
    QVariantMap values;
    for (const QString& key : m_settings->allKeys()) {
        if (!key.isEmpty())
            values.insert(key, m_settings->value(key));
    }
    const QString aside = file + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(file, aside)) {
        SystemLog::write(QStringLiteral("The damaged settings file %1 cannot be moved aside").arg(file));
        return false;
    }
    SystemLog::write(QStringLiteral("The damaged settings file was moved to %1").arg(aside));
    // Closing may already write the values to a new file; the fresh store is
    // given them all again so that none is lost should that write have failed.
    m_settings.reset();
    m_settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        m_settings->setValue(it.key(), it.value());
    m_damaged = false;
    return true;
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
        defaults->open(Locations::current().userDefaultsFile);
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
    if (m_damaged && !startOverFromDamagedFile()) {
        m_settings->sync();
        return false;
    }
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
