#include "cli/CommandLine.h"
#include "platform/Images.h"
#include "shell/ApplicationController.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMainWindow>

#include <cstdio>

int main(int argc, char** argv)
{
    // Decided before any application object: a terminal, a timer or cron has
    // no display, and must never be handed over to a window that happens to run.
    if (CommandLine::wanted(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
        QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
        QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
        return CommandLine::runInProcess(QCoreApplication::arguments());
    }
    // Without a display Qt aborts with a long message; say plainly what to do instead.
    const bool hasDisplay = !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (!hasDisplay) {
        std::fprintf(stderr,
            "velmora: no display found; start it from a desktop session, or run it as "
            "'xvfb-run -a velmora' (or with QT_QPA_PLATFORM=offscreen).\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
    QApplication::setWindowIcon(Images::named(QStringLiteral("velmora")));

    // Before the window is built: a later start shows nothing and touches no file of the running one.
    SingleInstance instance;
    if (instance.claim() == SingleInstance::Role::HandedOver)
        return 0;

    ApplicationController* controller = ApplicationController::applicationController();
    controller->awakeFromNib();
    QObject::connect(&instance, &SingleInstance::reopenRequested, controller, &ApplicationController::reopen);
    QObject::connect(
        &app, &QApplication::aboutToQuit, controller, &ApplicationController::applicationShouldTerminate);
    controller->window()->show();
    const int status = app.exec();
    delete controller;
    return status;
}
