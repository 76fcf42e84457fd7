#include "shell/OverviewPageController.h"

OverviewPageController::OverviewPageController(QWidget* page, QObject* parent)
    : QObject(parent)
    , m_page(page)
{
}

void OverviewPageController::overviewPageCreateUI() { }

void OverviewPageController::drawOverviewPage() { }
