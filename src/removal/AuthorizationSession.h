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
// The helper then stays until destroy(), so every later removal reuses it
// without another dialog, and a click never sees more than the one dialog of
// its own authorize() call: run() never starts a helper, and a helper that has
// gone is started again only by the next authorize().
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

    // Has the helper run the tool on the paths, split into as many runs as the
    // system's argument limits need. Nothing, with the reason in status, when
    // no run could be made at all.
    std::optional<RunResult> run(const QString& tool, const QStringList& paths, long* status = nullptr);

    // Ends the helper; afterwards the session is as new. Safe to call at any time.
    void destroy();

private:
    struct Record {
        QByteArray tag;
        QByteArray payload;
    };

    bool stillAnswers();
    std::optional<Record> readRecord();
    std::optional<Record> takeRecord();
    void logDiagnostics();
    long fail(long status);

    std::unique_ptr<QProcess> m_helper;
    QByteArray m_received;
    bool m_ready = false;
};
