#include "scan/ScanPageController.h"

ScanPageController::ScanPageController(QWidget* page, QObject* parent)
    : QObject(parent)
    , m_page(page)
{
}

void ScanPageController::scanPageCreateUI() { }

void ScanPageController::drawScanPage() { }

void ScanPageController::startScanning() { }
