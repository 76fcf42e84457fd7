#include "support/Sandbox.h"

#include "platform/Alert.h"
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
} // namespace

Sandbox::Sandbox()
    : m_previous(Locations::current())
{
    // Without its own folder every location would fall back to the real
    // machine's: a test must never go on from here.
    if (!m_dir.isValid() || m_dir.path().size() < 5)
        qFatal("Sandbox: no temporary folder (%s)", qPrintable(m_dir.errorString()));
    Locations locations = Locations::sandbox(m_dir.path());
    // The helper of this build, run by the stand-in for pkexec as the test's own user.
    locations.privilegedHelper = QStringLiteral(VELMORA_BUILD_HELPER);
    Locations::setCurrent(locations);
    QDir().mkpath(Locations::current().home);
    UserDefaults::reload();
    clearRecords();
    SystemLog::setSink([](const QString& line) {
        QMutexLocker locker(&recordsLock);
        recordedLines.append(line);
    });
    Alert::setHandler([](const QString& message) {
        QMutexLocker locker(&recordsLock);
        recordedAlerts.append(message);
    });
}

Sandbox::~Sandbox()
{
    SystemLog::setSink({});
    Alert::setHandler({});
    Locations::setCurrent(m_previous);
    UserDefaults::reload();
}

const Locations& Sandbox::locations() const
{
    return Locations::current();
}

void Sandbox::setLocations(const Locations& locations)
{
    Locations::setCurrent(locations);
    UserDefaults::reload();
}

QString Sandbox::path(const QString& relativeToRoot) const
{
    return m_dir.path() + u'/' + relativeToRoot;
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
    const QString full = path(relativeToRoot);
    QDir().mkpath(full);
    return full;
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
