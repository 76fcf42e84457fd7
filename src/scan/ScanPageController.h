#pragma once

#include <QObject>

class QWidget;

// Placeholder until the page is built: the operations the application controller sends.
class ScanPageController final : public QObject {
    Q_OBJECT
public:
    explicit ScanPageController(QWidget* page, QObject* parent = nullptr);
    void scanPageCreateUI();
    void drawScanPage();
    void startScanning();
    bool scanning() const { return false; }
    int nTotalErrorsCount() const { return 0; }

private:
    QWidget* m_page;
};
