#include "support/ProcessRunner.h"

#include "platform/Locations.h"
#include "support/TaskOutputReader.h"

#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

QString ProcessRunner::Result::message() const
{
    if (!started)
        return failure;
    const QString said
        = QString::fromUtf8(standardError.isEmpty() ? standardOutput : standardError).trimmed();
    return said.isEmpty() ? QStringLiteral("exit status %1").arg(exitCode) : said;
}

QString ProcessRunner::findProgram(const QString& name)
{
    const QStringList folders = Locations::current().commandSearchPath.split(u':', Qt::SkipEmptyParts);
    // Without folders Qt would search $PATH, which a test's sandbox must never reach.
    return folders.isEmpty() ? QString() : QStandardPaths::findExecutable(name, folders);
}

ProcessRunner::Result ProcessRunner::run(const QString& program, const QStringList& arguments)
{
    auto task = std::make_unique<QProcess>();
    task->setProgram(program);
    task->setArguments(arguments);
    task->setStandardInputFile(QProcess::nullDevice());
    TaskOutputReader reader(std::move(task));
    reader.launchTaskAndRunSynchronous();
    Result result;
    result.started = !reader.launchFailed();
    result.failure = reader.launchFailure();
    result.exitCode = result.started ? reader.exitCode() : -1;
    result.standardOutput = reader.standardOutputData();
    result.standardError = reader.standardErrorData();
    return result;
}

void ProcessRunner::start(const QString& program, const QStringList& arguments, QObject* context,
    std::function<void(const Result&)> done)
{
    auto* process = new QProcess(context);
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    auto report = [process, done = std::move(done)](bool started) {
        Result result;
        result.started = started;
        result.failure = started ? QString() : process->errorString();
        result.exitCode = started && process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
        result.standardOutput = process->readAllStandardOutput();
        result.standardError = process->readAllStandardError();
        process->disconnect();
        process->deleteLater();
        done(result);
    };
    QObject::connect(process, &QProcess::finished, process, [report] { report(true); });
    QObject::connect(process, &QProcess::errorOccurred, process, [report](QProcess::ProcessError error) {
        // Every other error also ends in the finished signal.
        if (error == QProcess::FailedToStart)
            report(false);
    });
    process->start();
}
