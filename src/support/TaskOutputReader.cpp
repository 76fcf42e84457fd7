#include "support/TaskOutputReader.h"

#include <QEventLoop>

TaskOutputReader::TaskOutputReader(std::unique_ptr<QProcess> task, QObject* parent)
    : QObject(parent)
    , m_task(std::move(task))
{
    m_task->setProcessChannelMode(QProcess::SeparateChannels);
    connect(
        m_task.get(), &QProcess::readyReadStandardOutput, this, &TaskOutputReader::standardOutNotification);
    connect(
        m_task.get(), &QProcess::readyReadStandardError, this, &TaskOutputReader::standardErrorNotification);
    connect(m_task.get(), &QProcess::finished, this, &TaskOutputReader::terminatedNotification);
    connect(m_task.get(), &QProcess::errorOccurred, this, &TaskOutputReader::errorNotification);
}

TaskOutputReader::~TaskOutputReader()
{
    // A reader never outlives its run in this program; should one go early, the
    // child must not be left writing into pipes nobody reads.
    disconnect(m_task.get(), nullptr, this, nullptr);
    if (m_task->state() != QProcess::NotRunning) {
        m_task->kill();
        m_task->waitForFinished();
    }
}

void TaskOutputReader::launchTaskAndRunSynchronous()
{
    m_task->start();
    if (m_taskComplete || m_launchFailed)
        return;
    QEventLoop loop;
    m_waiting = &loop;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_waiting = nullptr;
}

int TaskOutputReader::exitCode() const
{
    return m_task->exitStatus() == QProcess::NormalExit ? m_task->exitCode() : -1;
}

void TaskOutputReader::standardOutNotification()
{
    m_standardOutput += m_task->readAllStandardOutput();
}

void TaskOutputReader::standardErrorNotification()
{
    m_standardError += m_task->readAllStandardError();
}

void TaskOutputReader::terminatedNotification()
{
    // Whatever the pipes still held when the child ended belongs to the answer too.
    standardOutNotification();
    standardErrorNotification();
    m_taskComplete = true;
    stopWaiting();
}

void TaskOutputReader::errorNotification(QProcess::ProcessError error)
{
    // Every other error ends in the finished signal, which stops the wait.
    if (error != QProcess::FailedToStart)
        return;
    m_launchFailed = true;
    m_launchFailure = m_task->errorString();
    stopWaiting();
}

void TaskOutputReader::stopWaiting()
{
    if (m_waiting)
        m_waiting->quit();
}
