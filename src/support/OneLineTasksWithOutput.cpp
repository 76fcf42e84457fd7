#include "support/OneLineTasksWithOutput.h"

#include "platform/SystemLog.h"
#include "removal/AuthorizationSession.h"
#include "support/TaskOutputReader.h"

#include <QStringDecoder>

#include <memory>

namespace {

std::optional<QString> strictUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<QString> OneLineTasksWithOutput::stringByLaunchingPath(
    const QString& path, const QStringList& arguments, std::optional<TaskError>* error)
{
    auto task = std::make_unique<QProcess>();
    task->setProgram(path);
    task->setArguments(arguments);
    TaskOutputReader reader(std::move(task));
    reader.launchTaskAndRunSynchronous();

    if (reader.launchFailed()) {
        if (error) {
            *error = TaskError { QString::fromLatin1(TaskError::kDomain), -1,
                { { QString::fromLatin1(TaskError::kDescriptionKey), reader.launchFailure() } } };
        }
        return std::nullopt;
    }

    const std::optional<QString> output = strictUtf8(reader.standardOutputData());
    if (error) {
        // Complaints that are not UTF-8 still are complaints: they are reported
        // with their undecodable bytes replaced rather than passed off as none.
        const QByteArray& complaints = reader.standardErrorData();
        if (complaints.isEmpty()) {
            error->reset();
        } else {
            *error = TaskError { QString::fromLatin1(TaskError::kDomain), -2,
                { { QString::fromLatin1(TaskError::kStandardErrorKey), QString::fromUtf8(complaints) } } };
        }
    }
    return output;
}

std::optional<QString> OneLineTasksWithOutput::stringByLaunchingPath(const QString& path,
    const QStringList& arguments, AuthorizationSession* authorization, std::optional<TaskError>* error)
{
    SystemLog::write(QStringLiteral("in Method stringByLaunchingPath"));
    long status = AuthorizationSession::kNotAuthorized;
    const std::optional<AuthorizationSession::RunResult> result
        = authorization ? authorization->run(path, arguments, &status) : std::nullopt;
    if (!result) {
        if (error)
            *error = TaskError { QString::fromLatin1(TaskError::kDomain), status, {} };
        return std::nullopt;
    }
    if (error)
        error->reset();
    // Decoded whole, so a character split across the helper's reads stays whole.
    return QString::fromUtf8(result->output);
}
