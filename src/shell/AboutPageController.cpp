#include "shell/AboutPageController.h"

AboutPageController::AboutPageController(QDialog* panel, QObject* parent)
    : QObject(parent)
    , m_panel(panel)
{
}

void AboutPageController::aboutPanelCreateUI() { }
