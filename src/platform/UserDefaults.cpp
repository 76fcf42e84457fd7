#include "platform/UserDefaults.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"

#include <QFile>
#include <QSettings>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::unique_ptr<UserDefaults>& instance()
{
    static std::unique_ptr<UserDefaults> defaults;
    return defaults;
}

// QSettings guards every save with "<file>.lock" and waits for as long as that
// file names a live process or is younger than half a minute. A Velmora killed
// between creating the lock and writing its name into it leaves it empty,
// naming nobody, and the next save would freeze the window until it ages. Qt
// also locks the file natively the moment it has made it, and that lock goes
// with its process: an empty lock file nobody locks is such a leftover, unless
// it was made a moment ago and its maker is about to lock it.
void removeUnnamedLock(const QString& settingsFile)
{
    const QString lock = settingsFile + QStringLiteral(".lock");
    const QByteArray native = QFile::encodeName(lock);
    // Only a plain empty file is opened: never a device, a FIFO or a link.
    struct stat named { }, opened { };
    if (::lstat(native.constData(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_size != 0)
        return;
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    timespec now { };
    constexpr qint64 kSecond = 1000000000, kMoment = kSecond / 100;
    const bool leftover = ::fstat(fd, &opened) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino && opened.st_size == 0 && ::clock_gettime(CLOCK_REALTIME, &now) == 0
        && (qint64(now.tv_sec) - opened.st_mtim.tv_sec) * kSecond + now.tv_nsec - opened.st_mtim.tv_nsec
            >= kMoment
        && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    // Removed only while it is still the file looked at, and locked by us.
    if (leftover && ::lstat(native.constData(), &named) == 0 && named.st_dev == opened.st_dev
        && named.st_ino == opened.st_ino && ::unlink(native.constData()) == 0)
        SystemLog::write(
            QStringLiteral("Removed the settings lock %1, left empty by a stopped save").arg(lock));
    ::close(fd);
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

// Every change is saved from the event loop too, so each one clears the way first.
void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    removeUnnamedLock(m_settings->fileName());
    m_settings->setValue(key, value);
}

void UserDefaults::setInteger(qint64 value, const QString& key)
{
    setObject(value, key);
}

void UserDefaults::setBool(bool value, const QString& key)
{
    setObject(value, key);
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    removeUnnamedLock(m_settings->fileName());
    m_settings->remove(key);
}

bool UserDefaults::synchronize()
{
    removeUnnamedLock(m_settings->fileName());
    if (m_damaged && !startOverFromDamagedFile()) {
        m_settings->sync();
        return false;
    }
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
