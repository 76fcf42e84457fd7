#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

class AuthorizationSession;
class QThread;
class RemovalConfinement;
class TreeNode;

// One click of the Remove button, carried out on a thread of its own so that
// the window keeps answering while tens of thousands of paths go: the
// administrator's authorisation when a ticked path needs it, one pass over
// the ticked paths in the order the page lists them, then the authorised runs
// of the helper, files before folders. The page hands in what was ticked when
// the click came and reads the outcome once finished() has arrived; nothing
// here touches a widget or the results tree. The grant lasts this run only:
// its helper ends, on the run's own thread, before finished().
class RemovalRun final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RemovalRun)

public:
    struct TickedPath {
        QString path; // as listed, a leading tilde not yet expanded
        bool isDirectory = false;
        bool privileged = false; // only an administrator may remove it
        QString category; // the group it is listed in: a browser database is cleaned only in its own
    };
    struct Outcome {
        int gone = 0; // distinct ticked paths that are gone (or cleaned)
        int left = 0; // distinct ticked paths still there, or refused
        bool isAuthenticated = false;
        std::optional<QStringList> lockedFileArray;
        std::optional<QStringList> lockedDirectoryArray;
        bool cancelled = false;
        QStringList leftPaths; // the ticked paths counted in `left`, as listed, each once
    };
    struct Progress {
        int done = 0;
        int total = 0;
        QString path; // the one being removed now
    };

    // The ticked leaves of a results tree in the order it lists them, depth
    // first, each with the group it is listed in.
    static QList<TickedPath> tickedIn(const TreeNode* tree);

    // `askForAuthorization`: some ticked path needs an administrator. As the
    // superuser every path is removed directly, and asking grants at once.
    RemovalRun(
        QList<TickedPath> ticked, bool askForAuthorization, bool isRootUser, QObject* parent = nullptr);
    // Stops the run after its current path and waits for its thread.
    ~RemovalRun() override;

    void start();
    // Thread-safe. The path being removed is finished; no further path, and
    // no authorised run, is started. finished() still comes.
    void cancel();
    // Returns once the thread has ended (at once when it never started).
    void wait();

    Progress progress() const;
    // Complete once finished() has arrived.
    const Outcome& outcome() const { return m_outcome; }

Q_SIGNALS:
    // Emitted on the run's thread as its last act; receivers on the page's
    // thread get it queued.
    void finished();

private:
    void run();
    void showSystemPasswordDialogPage();
    void removeDeletableFile(const TickedPath& ticked);
    void removeFile(const QString& path, const QString& category);
    bool removePreviligeFiles();
    // How many distinct ticked paths are gone, and how many are still there (kept in the outcome).
    std::pair<int, int> tickedPathsGoneAndLeft();
    // The rule of this click, read from the definitions when first needed.
    const RemovalConfinement& confinement();
    void logRefused(const QString& path, const QString& reason);

    const QList<TickedPath> m_ticked;
    const bool m_askForAuthorization;
    const bool m_isRootUser;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_cancelled { false };
    mutable QMutex m_progressLock;
    Progress m_progress;

    // Read and written by the run's thread only, until finished().
    Outcome m_outcome;
    std::unique_ptr<RemovalConfinement> m_confinement;
    std::unique_ptr<AuthorizationSession> m_authRef;
    // Refused by the rule this click: still junk, counted as left even when nothing is there.
    QSet<QString> m_refusedPaths;
    // Databases that hold the user's data as well are cleaned, not removed;
    // one cleaned in this click is still there but counts as removed.
    QSet<QString> m_cleanedDatabases;
};
