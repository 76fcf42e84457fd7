#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <optional>

class QProcess;

// An administrator's authorisation, held as one running privileged helper.
//
// authorize() starts velmora-remove-helper through the elevation command
// (pkexec), whose polkit agent shows the password dialog; the session is
// authenticated once the helper, now the superuser, answers that it is ready.
// The fix page holds a session for one Remove click only and destroys it at
// the end of that click, so every click that needs an administrator asks
// again; within the click, run() reuses the helper and never starts one.
//
// While the helper lives, its pipes are the grant: they are opened
// close-on-exec, so no other child of ours inherits them, and this process is
// made non-dumpable before the helper starts, so no other process of the user
// can open them through /proc/<pid>/fd or attach to us. The process stays
// non-dumpable afterwards.
//
// Everything blocks the calling thread, as the removal it serves does.
class AuthorizationSession final {
public:
    // Status values beside 0; a positive status from authorize() is the exit
    // status of the elevation command: 126 for a dismissed dialog, 127 when no
    // authority or agent could be reached or the helper is missing.
    static constexpr long kSuccess = 0;
    static constexpr long kNotAuthorized = -1; // no helper answering: never asked, refused or ended
    static constexpr long kHelperFailed = -2; // the helper ended or spoke out of turn during a request
    static constexpr long kToolRejected = -3; // the helper runs only /bin/rm and /bin/rmdir
    static constexpr long kCannotStart = -4; // the elevation command itself could not be started

    struct RunResult {
        QByteArray output; // what the tool wrote to its standard output, every run together
        QByteArray errorOutput;
        QStringList refusedPaths; // left alone by the helper; each is also logged
        int exitStatus = 0; // 0, or the status of the first run of the tool that failed
    };

    AuthorizationSession();
    ~AuthorizationSession();
    Q_DISABLE_COPY_MOVE(AuthorizationSession)

    // kSuccess when a helper is ready, either still from before or started now.
    long authorize();
    bool isAuthenticated() const;

    // Has the helper run the tool on the paths, sent in as many requests as the
    // helper's bounds need, which it splits into as many runs as the system's
    // argument limits need. A path the helper would not accept is not sent and
    // counts as refused. Nothing, with the reason in status, when a request
    // could not be made or was rejected whole.
    std::optional<RunResult> run(const QString& tool, const QStringList& paths, long* status = nullptr);

    // Ends the helper; afterwards the session is as new. Safe to call at any time.
    void destroy();

private:
    struct Record {
        QByteArray tag;
        QByteArray payload;
    };

    bool sendRequest(const QByteArray& request, const QString& tool, RunResult& result, long& status);
    bool stillAnswers();
    std::optional<Record> readRecord();
    std::optional<Record> takeRecord();
    void logDiagnostics();
    long fail(long status);

    std::unique_ptr<QProcess> m_helper;
    QByteArray m_received;
    qsizetype m_receivedTaken = 0; // bytes at the front of m_received already handed out
    bool m_ready = false;
};
