#include "removal/RemovalRun.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "removal/AuthorizationSession.h"
#include "removal/BrowserDatabaseCleaner.h"
#include "removal/RemovalConfinement.h"
#include "removal/helper/HelperProtocol.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/TreeNode.h"
#include "support/OneLineTasksWithOutput.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QThread>

#include <functional>

namespace {

// A dangling link is still there to remove, so existence is the link's own.
bool pathIsThere(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

RemovalRun::RemovalRun(QList<TickedPath> ticked, bool askForAuthorization, bool isRootUser, QObject* parent)
    : QObject(parent)
    , m_ticked(std::move(ticked))
    , m_askForAuthorization(askForAuthorization)
    , m_isRootUser(isRootUser)
{
    m_progress.total = int(m_ticked.size());
}

RemovalRun::~RemovalRun()
{
    cancel();
    wait();
}

void RemovalRun::start()
{
    if (m_thread)
        return;
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->setObjectName(QStringLiteral("velmora-removal"));
    m_thread->start();
}

void RemovalRun::cancel()
{
    m_cancelled = true;
}

void RemovalRun::wait()
{
    if (m_thread)
        m_thread->wait();
}

RemovalRun::Progress RemovalRun::progress() const
{
    const QMutexLocker locker(&m_progressLock);
    return m_progress;
}

void RemovalRun::run()
{
    if (m_askForAuthorization)
        showSystemPasswordDialogPage();
    if (m_outcome.isAuthenticated) {
        m_outcome.lockedFileArray = QStringList();
        m_outcome.lockedDirectoryArray = QStringList();
    }
    int done = 0;
    for (const TickedPath& ticked : m_ticked) {
        if (m_cancelled)
            break;
        {
            const QMutexLocker locker(&m_progressLock);
            m_progress.path = ticked.path;
        }
        removeDeletableFile(ticked);
        const QMutexLocker locker(&m_progressLock);
        m_progress.done = ++done;
    }
    if (!m_cancelled && m_outcome.isAuthenticated)
        removePreviligeFiles();
    // A grant lasts one click: the next click that needs it asks again.
    if (m_authRef) {
        m_authRef->destroy();
        m_authRef.reset();
    }
    m_outcome.cancelled = m_cancelled;
    if (m_outcome.cancelled) {
        SystemLog::write(
            QStringLiteral("Removal stopped after %1 of %2 ticked paths").arg(done).arg(m_ticked.size()));
    } else {
        std::tie(m_outcome.gone, m_outcome.left) = tickedPathsGoneAndLeft();
    }
    Q_EMIT finished();
}

void RemovalRun::removeDeletableFile(const TickedPath& ticked)
{
    const QString path = Locations::current().expandTilde(ticked.path);
    QString reason;
    if (m_isRootUser || !ticked.privileged)
        removeFile(path, ticked.category);
    else if (!confinement().admits(path, &reason))
        logRefused(path, reason);
    else if (ticked.isDirectory && m_outcome.lockedDirectoryArray)
        m_outcome.lockedDirectoryArray->append(path);
    else if (!ticked.isDirectory && m_outcome.lockedFileArray)
        m_outcome.lockedFileArray->append(path);
}

void RemovalRun::removeFile(const QString& path, const QString& category)
{
    QString expanded = Locations::current().expandTilde(path);
    // "link/" would name the folder behind a link; the link itself is what is listed.
    while (expanded.size() > 1 && expanded.endsWith(u'/'))
        expanded.chop(1);
    QString reason;
    FileSystem::Beneath outcome = FileSystem::Beneath::Refused;
    // A database that holds the user's own data is cleaned, never removed; the
    // rule of where removal may reach applies to it all the same.
    if (!confinement().cleansDatabase(expanded, category))
        outcome = confinement().remove(expanded, &reason);
    else if (confinement().admits(expanded, &reason)) {
        if (BrowserDatabaseCleaner::clean(
                expanded, confinement(), BrowserDatabaseCleaner::Options::from(Locations::current())))
            m_cleanedDatabases.insert(expanded);
        return;
    }
    switch (outcome) {
    case FileSystem::Beneath::Removed:
        break;
    case FileSystem::Beneath::Refused:
        m_refusedPaths.insert(Locations::current().expandTilde(path));
        logRefused(expanded, reason);
        break;
    case FileSystem::Beneath::Failed:
        SystemLog::write(QStringLiteral("Cannot Remove file ") + expanded);
        break;
    }
}

const RemovalConfinement& RemovalRun::confinement()
{
    if (!m_confinement)
        m_confinement = std::make_unique<RemovalConfinement>(Locations::current());
    return *m_confinement;
}

void RemovalRun::logRefused(const QString& path, const QString& reason)
{
    m_refusedPaths.insert(path);
    SystemLog::write(QStringLiteral("Refused outside the scanned folders: %1 (%2)").arg(path, reason));
}

QList<RemovalRun::TickedPath> RemovalRun::tickedIn(const TreeNode* tree)
{
    QList<TickedPath> ticked;
    const std::function<void(const TreeNode*)> visit = [&](const TreeNode* node) {
        const SimpleNodeData* group = ResultsTreeModel::payloadOf(node);
        const QString category = group && group->isGroup() ? group->name() : QString();
        for (const auto& child : node->children()) {
            const SimpleNodeData* data = ResultsTreeModel::payloadOf(child.get());
            if (!data)
                continue;
            if (data->isGroup())
                visit(child.get());
            else if (data->isSelected())
                ticked.append(
                    { data->name(), data->isDirectory(), data->privilegeToDelete() != 0, category });
        }
    };
    if (tree)
        visit(tree);
    return ticked;
}

std::pair<int, int> RemovalRun::tickedPathsGoneAndLeft()
{
    QSet<QString> seen;
    int gone = 0;
    int left = 0;
    for (const TickedPath& ticked : m_ticked) {
        const QString path = Locations::current().expandTilde(ticked.path);
        if (seen.contains(path))
            continue;
        seen.insert(path);
        const bool stays
            = (pathIsThere(path) && !m_cleanedDatabases.contains(path)) || m_refusedPaths.contains(path);
        ++(stays ? left : gone);
        if (stays)
            m_outcome.leftPaths.append(ticked.path);
    }
    return { gone, left };
}

void RemovalRun::showSystemPasswordDialogPage()
{
    m_outcome.isAuthenticated = false;
    if (!m_authRef)
        m_authRef = std::make_unique<AuthorizationSession>();

    // The desktop's polkit agent asks now, before the removal pass, never
    // later when the tools run. The window answers meanwhile: only this thread waits.
    SystemLog::write(QStringLiteral("OS Is LeaPard"));
    // The superuser holds every right already, and the removal pass deletes
    // privileged paths itself then: a helper would have nothing to do.
    const long status = m_isRootUser ? AuthorizationSession::kSuccess : m_authRef->authorize();
    // Without an elevation command there is no authority to hold an authorisation at all.
    if (status == AuthorizationSession::kCannotStart)
        SystemLog::write(QStringLiteral("Error Creating Initial Authorization: %1").arg(status));
    if (status == AuthorizationSession::kSuccess) {
        SystemLog::write(QStringLiteral("Copy Rights Successful: "));
        m_outcome.isAuthenticated = true;
    } else {
        SystemLog::write(QStringLiteral("Copy Rights Unsuccessful: %1").arg(status));
    }
}

bool RemovalRun::removePreviligeFiles()
{
    // Files first: a folder can only go once what was listed inside it is gone.
    const std::pair<QString, const std::optional<QStringList>*> runs[] = {
        { QString::fromLatin1(HelperProtocol::kRemoveFileTool), &m_outcome.lockedFileArray },
        { QString::fromLatin1(HelperProtocol::kRemoveFolderTool), &m_outcome.lockedDirectoryArray },
    };
    for (const auto& [tool, paths] : runs) {
        if (!*paths || (*paths)->isEmpty())
            continue;
        std::optional<TaskError> error;
        if (!OneLineTasksWithOutput::stringByLaunchingPath(tool, **paths, m_authRef.get(), &error)) {
            SystemLog::write(QStringLiteral("Error from AuthorizationExecuteWithPrivileges: %1")
                                 .arg(error ? error->code : AuthorizationSession::kNotAuthorized));
            return false;
        }
    }
    return true;
}
