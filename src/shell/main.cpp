#include "platform/Images.h"
#include "shell/ApplicationController.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QMainWindow>

#include <cstdio>

int main(int argc, char** argv)
{
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
