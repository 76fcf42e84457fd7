#include "uninstaller/ToolsPageController.h"

ToolsPageController::ToolsPageController(QWidget* page, QObject* parent)
    : QObject(parent)
    , m_page(page)
{
}

void ToolsPageController::toolsPageCreateUI() { }
