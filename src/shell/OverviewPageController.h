#pragma once

#include <QObject>

class QWidget;

// Placeholder until the page is built: the operations the application controller sends.
class OverviewPageController final : public QObject {
    Q_OBJECT
public:
    explicit OverviewPageController(QWidget* page, QObject* parent = nullptr);
    void overviewPageCreateUI();
    void drawOverviewPage();

private:
    QWidget* m_page;
};
