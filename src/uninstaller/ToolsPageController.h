#pragma once

#include <QObject>

class QWidget;

// Placeholder until the page is built: the operations the application controller sends.
class ToolsPageController final : public QObject {
    Q_OBJECT
public:
    explicit ToolsPageController(QWidget* page, QObject* parent = nullptr);
    void toolsPageCreateUI();

private:
    QWidget* m_page;
};
