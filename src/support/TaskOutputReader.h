#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>

#include <memory>

class QEventLoop;

// Runs one child process to its end and collects everything it writes to its
// standard output and standard error, while the calling thread's event loop
// keeps running (without user input, so no click reaches the window meanwhile).
class TaskOutputReader final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TaskOutputReader)

public:
    // The task is set up with its program and arguments and not yet started.
    explicit TaskOutputReader(std::unique_ptr<QProcess> task, QObject* parent = nullptr);
    ~TaskOutputReader() override;

    // Returns when the child has ended, or when it could not be started.
    void launchTaskAndRunSynchronous();

    const QByteArray& standardOutputData() const { return m_standardOutput; }
    const QByteArray& standardErrorData() const { return m_standardError; }
    bool taskComplete() const { return m_taskComplete; }
    bool launchFailed() const { return m_launchFailed; }
    // Meaningful once the task is complete: a crash counts as a failed exit.
    int exitCode() const;
    // The system's reason when the child could not be started.
    const QString& launchFailure() const { return m_launchFailure; }

private:
    void standardOutNotification();
    void standardErrorNotification();
    void terminatedNotification();
    void errorNotification(QProcess::ProcessError error);
    void stopWaiting();

    QByteArray m_standardOutput;
    QByteArray m_standardError;
    bool m_taskComplete = false;
    std::unique_ptr<QProcess> m_task;
    bool m_launchFailed = false;
    QString m_launchFailure;
    QEventLoop* m_waiting = nullptr;
};
