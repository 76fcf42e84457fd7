#include "support/BackgroundTask.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>

#include <memory>

void BackgroundTask::runAndWait(const std::function<void()>& step, QWidget* busy)
{
    const bool wasEnabled = busy && busy->isEnabled();
    if (busy)
        busy->setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    const std::unique_ptr<QThread> thread(QThread::create(step));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    // Quitting ends this loop early; the step is waited for all the same.
    loop.exec();
    thread->wait();
    QGuiApplication::restoreOverrideCursor();
    if (busy)
        busy->setEnabled(wasEnabled);
}
