#include "removal/AuthorizationSession.h"

#include "platform/Locations.h"
#include "platform/ProcessProtection.h"
#include "platform/SystemLog.h"
#include "removal/helper/HelperProtocol.h"

#include <QFile>
#include <QProcess>

#include <string_view>

namespace {

// Far above anything a run of rm or rmdir prints; a larger length can only come
// from a broken stream, which must not make us allocate it.
constexpr qsizetype kMaxPayload = 256 * 1024 * 1024;
constexpr qsizetype kMaxHeader = 64;
// The helper ends at once when its input closes; it is never in the middle of a request then.
constexpr int kHelperExitWaitMs = 5000;

bool is(const QByteArray& tag, std::string_view name)
{
    return QByteArrayView(tag) == QByteArrayView(name.data(), qsizetype(name.size()));
}

void refuse(AuthorizationSession::RunResult& result, const QString& path, const QString& reason)
{
    SystemLog::write(QStringLiteral("Refused with administrator rights: %1 (%2)").arg(path, reason));
    result.refusedPaths.append(path);
}

} // namespace

AuthorizationSession::AuthorizationSession() = default;

AuthorizationSession::~AuthorizationSession()
{
    destroy();
}

long AuthorizationSession::authorize()
{
    // A helper that ended since it was started (killed, or out of memory) is
    // noticed here, so the caller is asked again instead of failing its removal.
    if (isAuthenticated() && stillAnswers())
        return kSuccess;
    destroy();

    // Once the helper runs, whoever can reach its pipes holds the grant.
    if (!ProcessProtection::forbidInspection())
        return fail(kCannotStart);

    const Locations& locations = Locations::current();
    m_helper = std::make_unique<QProcess>();
    // Started directly, never through a shell: polkit keeps a grant only for the
    // same parent process, and no path may be parsed by anyone.
    m_helper->setProgram(locations.elevationCommand);
    m_helper->setArguments({ locations.privilegedHelper });
    m_helper->start();
    if (!m_helper->waitForStarted(-1)) {
        SystemLog::write(
            QStringLiteral("Cannot start %1: %2").arg(locations.elevationCommand, m_helper->errorString()));
        return fail(kCannotStart);
    }

    // Returns once the password dialog has been answered and the helper runs, or
    // the elevation command has given up.
    const std::optional<Record> greeting = readRecord();
    if (greeting && is(greeting->tag, HelperProtocol::kReady)) {
        m_ready = true;
        logDiagnostics();
        return kSuccess;
    }
    if (greeting) {
        SystemLog::write(QStringLiteral("The privileged helper did not answer as expected"));
        return fail(kHelperFailed);
    }
    m_helper->waitForFinished(kHelperExitWaitMs);
    const bool exited = m_helper->exitStatus() == QProcess::NormalExit && m_helper->exitCode() != 0;
    return fail(exited ? long(m_helper->exitCode()) : kHelperFailed);
}

bool AuthorizationSession::isAuthenticated() const
{
    return m_ready && m_helper && m_helper->state() == QProcess::Running;
}

std::optional<AuthorizationSession::RunResult> AuthorizationSession::run(
    const QString& tool, const QStringList& paths, long* status)
{
    const auto answer = [status](long value) {
        if (status)
            *status = value;
    };
    if (!isAuthenticated()) {
        answer(kNotAuthorized);
        return std::nullopt;
    }
    if (tool.isEmpty() || tool.contains(QChar(0))) {
        answer(kToolRejected);
        return std::nullopt;
    }

    RunResult result;
    const QByteArray toolField = QFile::encodeName(tool) + '\0';
    QByteArray request = toolField;
    std::size_t pathsInRequest = 0;
    bool sentAny = false;
    long runStatus = kSuccess;
    const auto send = [&] {
        sentAny = true;
        const bool sent = sendRequest(request + '\0', tool, result, runStatus);
        request = toolField;
        pathsInRequest = 0;
        return sent;
    };
    for (const QString& path : paths) {
        // An empty field ends the request and a NUL would cut the path in two:
        // neither can name a file, so neither reaches the helper.
        if (path.isEmpty() || path.contains(QChar(0))) {
            refuse(result, path, QStringLiteral("not a file name"));
            continue;
        }
        const QByteArray field = QFile::encodeName(path) + '\0';
        if (std::size_t(field.size()) > HelperProtocol::kMaxFieldBytes) {
            refuse(result, path, QStringLiteral("longer than a path can be"));
            continue;
        }
        if (pathsInRequest == HelperProtocol::kMaxPathsPerRequest
            || std::size_t(request.size() + field.size()) + 1 > HelperProtocol::kMaxRequestBytes) {
            if (!send()) {
                answer(runStatus);
                return std::nullopt;
            }
        }
        request += field;
        ++pathsInRequest;
    }
    // A list of nothing sendable still asks once, so the helper judges the tool.
    if ((pathsInRequest > 0 || !sentAny) && !send()) {
        answer(runStatus);
        return std::nullopt;
    }
    logDiagnostics();
    answer(kSuccess);
    return result;
}

// One request and its reply, added to result. False, with the reason in
// status, when the reply broke off or rejected the request whole.
bool AuthorizationSession::sendRequest(
    const QByteArray& request, const QString& tool, RunResult& result, long& status)
{
    m_helper->write(request);
    while (true) {
        const std::optional<Record> record = readRecord();
        if (!record) {
            SystemLog::write(QStringLiteral("The privileged helper ended during a removal"));
            status = fail(kHelperFailed);
            return false;
        }
        if (is(record->tag, HelperProtocol::kOutput)) {
            result.output += record->payload;
        } else if (is(record->tag, HelperProtocol::kErrorOutput)) {
            result.errorOutput += record->payload;
        } else if (is(record->tag, HelperProtocol::kRefused)) {
            const qsizetype split = record->payload.indexOf('\0');
            refuse(result, QFile::decodeName(split < 0 ? QByteArray() : record->payload.mid(split + 1)),
                QString::fromUtf8(record->payload.left(split)));
        } else if (is(record->tag, HelperProtocol::kDone)) {
            if (result.exitStatus == 0)
                result.exitStatus = record->payload.toInt();
            return true;
        } else if (is(record->tag, HelperProtocol::kRejected)) {
            SystemLog::write(QStringLiteral("The privileged helper rejected %1: %2")
                                 .arg(tool, QString::fromUtf8(record->payload)));
            status = kToolRejected;
            return false;
        } else {
            SystemLog::write(QStringLiteral("The privileged helper did not answer as expected"));
            status = fail(kHelperFailed);
            return false;
        }
    }
}

bool AuthorizationSession::stillAnswers()
{
    m_helper->write(QByteArray(1, '\0'));
    const std::optional<Record> record = readRecord();
    return record && is(record->tag, HelperProtocol::kDone);
}

void AuthorizationSession::destroy()
{
    m_ready = false;
    m_received.clear();
    m_receivedTaken = 0;
    if (!m_helper)
        return;
    if (m_helper->state() != QProcess::NotRunning) {
        // The helper runs as root and cannot be signalled from here; it ends when its input closes.
        m_helper->closeWriteChannel();
        if (!m_helper->waitForFinished(kHelperExitWaitMs)) {
            m_helper->kill();
            m_helper->waitForFinished(kHelperExitWaitMs);
        }
    }
    logDiagnostics();
    m_helper.reset();
}

std::optional<AuthorizationSession::Record> AuthorizationSession::readRecord()
{
    while (true) {
        if (std::optional<Record> record = takeRecord())
            return record;
        const bool more = m_helper->waitForReadyRead(-1);
        m_received += m_helper->readAllStandardOutput();
        if (!more)
            return takeRecord();
    }
}

// The next whole record from what has been received. A header that cannot be
// one gives a record with an empty tag, which every caller treats as a broken helper.
std::optional<AuthorizationSession::Record> AuthorizationSession::takeRecord()
{
    // Taken records are dropped in bulk: removing each from the front would
    // copy a long reply once per record.
    if (m_receivedTaken > 0 && m_receivedTaken * 2 >= m_received.size()) {
        m_received.remove(0, m_receivedTaken);
        m_receivedTaken = 0;
    }
    const qsizetype newline = m_received.indexOf('\n', m_receivedTaken);
    if (newline < 0)
        return m_received.size() - m_receivedTaken > kMaxHeader ? std::optional<Record>(Record {})
                                                                : std::nullopt;
    const QByteArray header = m_received.mid(m_receivedTaken, newline - m_receivedTaken);
    const qsizetype space = header.indexOf(' ');
    bool numeric = false;
    const qsizetype length = space > 0 ? header.mid(space + 1).toLongLong(&numeric) : 0;
    if (!numeric || length < 0 || length > kMaxPayload)
        return Record {};
    if (m_received.size() - newline - 1 < length)
        return std::nullopt;
    Record record { header.left(space), m_received.mid(newline + 1, length) };
    m_receivedTaken = newline + 1 + length;
    return record;
}

void AuthorizationSession::logDiagnostics()
{
    if (!m_helper)
        return;
    const QByteArray text = m_helper->readAllStandardError();
    for (const QByteArray& line : text.split('\n')) {
        if (!line.trimmed().isEmpty())
            SystemLog::write(QString::fromUtf8(line));
    }
}

long AuthorizationSession::fail(long status)
{
    logDiagnostics();
    destroy();
    return status;
}
