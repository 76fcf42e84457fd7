#include "startup/OptionsPageController.h"

OptionsPageController::OptionsPageController(QWidget* page, QObject* parent)
    : QObject(parent)
    , m_page(page)
{
}

void OptionsPageController::optionsPageCreateUI() { }
