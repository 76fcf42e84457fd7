#include "results/ReviewPageController.h"

ReviewPageController::ReviewPageController(QWidget* page, QObject* parent)
    : QObject(parent)
    , m_page(page)
{
}

void ReviewPageController::reviewPageCreateUI() { }

void ReviewPageController::updateTitleText() { }

void ReviewPageController::populateReviewPage() { }
