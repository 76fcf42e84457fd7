#include "uninstaller/InstalledSizes.h"

#include "platform/Locations.h"
#include "results/PathSizeCalculator.h"
#include "uninstaller/SnapApps.h"

#include <QFileInfo>

InstalledSizes::InstalledSizes(QObject* parent)
    : QObject(parent)
{
}

InstalledSizes::~InstalledSizes()
{
    {
        const std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_cancelled = true;
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

QString InstalledSizes::installedPath(const ApplicationDetails& application)
{
    const Locations& l = Locations::current();
    switch (application.kind()) {
    case ApplicationKind::Bundle:
    case ApplicationKind::AppImage:
        return l.expandTilde(application.appPath());
    case ApplicationKind::Flatpak:
        return (application.installation() == QStringLiteral("user") ? l.flatpakUserInstallation
                                                                     : l.flatpakSystemInstallation)
            + QStringLiteral("/app/") + application.appPath();
    case ApplicationKind::Snap: {
        // "current" names the revision in use; the revision's file is what the snap takes.
        const QString revision
            = QFileInfo(l.snapMount + u'/' + application.appPath() + QStringLiteral("/current")).symLinkTarget();
        return revision.isEmpty() ? QString()
                                  : SnapApps::revisionFile(application.appPath(), QFileInfo(revision).fileName());
    }
    }
    return QString();
}

void InstalledSizes::measure(const QList<ApplicationDetails>& applications)
{
    QStringList paths;
    for (const ApplicationDetails& application : applications) {
        const QString path = installedPath(application);
        if (!path.isEmpty() && !m_sizes.contains(path)) {
            m_sizes.insert(path, -1);
            paths.append(path);
        }
    }
    if (paths.isEmpty())
        return;
    {
        const std::lock_guard lock(m_lock);
        m_queue += paths;
    }
    if (!m_worker.joinable())
        m_worker = std::thread([this] { work(); });
    m_wake.notify_one();
}

qint64 InstalledSizes::size(const ApplicationDetails& application) const
{
    return m_sizes.value(installedPath(application), -1);
}

void InstalledSizes::work()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.isEmpty(); });
        if (m_stopping)
            return;
        const QString path = m_queue.takeFirst();
        lock.unlock();
        const qint64 size = PathSizeCalculator::sizeOfPath(path, &m_cancelled);
        // Delivered on the main thread, or dropped with this object.
        QMetaObject::invokeMethod(this, [this, path, size] { take(path, size); }, Qt::QueuedConnection);
        lock.lock();
    }
}

void InstalledSizes::take(const QString& path, qint64 size)
{
    m_sizes.insert(path, size);
    Q_EMIT measured();
}
