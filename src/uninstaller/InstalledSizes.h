#pragma once

#include "uninstaller/ApplicationDetails.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// What each listed application takes on disk, measured one after another on
// a thread of its own, so the table shows at once and its sizes follow as
// the leftovers' do. A folder is walked without following links.
class InstalledSizes final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstalledSizes)

public:
    explicit InstalledSizes(QObject* parent = nullptr);
    // Abandons the measurement under way and waits for its thread.
    ~InstalledSizes() override;

    // Where the application's own files are: the bundle, the AppImage, the
    // Flatpak's deployment in its installation, the snap's current revision file.
    static QString installedPath(const ApplicationDetails& application);

    // Queues the applications not measured yet.
    void measure(const QList<ApplicationDetails>& applications);
    // In bytes; -1 until measured, or when there is nothing there.
    qint64 size(const ApplicationDetails& application) const;

Q_SIGNALS:
    // One more size is known.
    void measured();

private:
    void work();
    void take(const QString& path, qint64 size);

    QHash<QString, qint64> m_sizes; // on the main thread only
    std::mutex m_lock;
    std::condition_variable m_wake;
    QStringList m_queue; // guarded by m_lock
    bool m_stopping = false; // guarded by m_lock
    std::atomic<bool> m_cancelled { false };
    std::thread m_worker;
};
