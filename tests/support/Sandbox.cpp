#include "support/Sandbox.h"

#include "platform/Alert.h"
#include "platform/Localization.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

namespace {
QMutex recordsLock;
QStringList recordedLines;
QStringList recordedAlerts;

void record(QStringList& records, const QString& entry)
{
    QMutexLocker locker(&recordsLock);
    records.append(entry);
}
} // namespace

Sandbox::Sandbox()
    : m_previous(Locations::current())
    , m_previousLanguage(Localization::language())
{
    // Without its own folder every location would fall back to the real
    // machine's: a test must never go on from here.
    if (!m_dir.isValid() || m_dir.path().size() < 5)
        qFatal("Sandbox: no temporary folder (%s)", qPrintable(m_dir.errorString()));
    Locations locations = Locations::sandbox(m_dir.path());
    // The helper of this build, run by the stand-in for pkexec as the test's own user.
    locations.privilegedHelper = QStringLiteral(VELMORA_BUILD_HELPER);
    QDir().mkpath(locations.home);
    QDir().mkpath(locations.temporaryFolder);
    setLocations(locations);
    // The English defaults, whatever the machine's language.
    Localization::setLanguage(QString());
    clearRecords();
    SystemLog::setSink([](const QString& line) { record(recordedLines, line); });
    Alert::setHandler([](const QString& message) { record(recordedAlerts, message); });
}

Sandbox::~Sandbox()
{
    SystemLog::setSink({});
    Alert::setHandler({});
    setLocations(m_previous);
    Localization::setLanguage(m_previousLanguage);
}

void Sandbox::setLocations(const Locations& locations)
{
    Locations::setCurrent(locations);
    UserDefaults::reload();
}

QString Sandbox::makeFile(const QString& relativeToRoot, const QByteArray& contents)
{
    const QString full = path(relativeToRoot);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly))
        file.write(contents);
    return full;
}

QString Sandbox::makeFolder(const QString& relativeToRoot)
{
    QDir().mkpath(path(relativeToRoot));
    return path(relativeToRoot);
}

QByteArray Sandbox::contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Sandbox::logLines() const
{
    QMutexLocker locker(&recordsLock);
    return recordedLines;
}

QStringList Sandbox::alerts() const
{
    QMutexLocker locker(&recordsLock);
    return recordedAlerts;
}

void Sandbox::clearRecords()
{
    QMutexLocker locker(&recordsLock);
    recordedLines.clear();
    recordedAlerts.clear();
}
