#pragma once

#include <QString>
#include <QStringList>

#include <csignal>

class Sandbox;

// Stands in for pkexec at the sandbox's elevation command, so the privileged
// removal can be tested without polkit, an agent or a password: it either runs
// the helper directly, as the user running the tests, or behaves like a
// dialog that was dismissed or could not be shown.
class ElevationStandIn final {
public:
    explicit ElevationStandIn(Sandbox& sandbox);

    // Runs the helper with the definitions of setRoots and the sandbox home.
    void runsHelper();
    void writeScript(const QString& body);
    void setRoots(const QStringList& logRoots, const QStringList& cacheRoots);
    // Process ids of the stand-in's starts so far, oldest first.
    QList<qint64> starts() const;
    static bool isRunning(qint64 pid) { return ::kill(pid_t(pid), 0) == 0; }

private:
    Sandbox& m_sandbox;
};
