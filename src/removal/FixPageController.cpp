#include "removal/FixPageController.h"

FixPageController::FixPageController(QWidget* page, QObject* parent)
    : QObject(parent)
    , m_page(page)
{
}

void FixPageController::fixPageCreateUI() { }

void FixPageController::populateFixPage() { }

void FixPageController::destroyRights() { }
