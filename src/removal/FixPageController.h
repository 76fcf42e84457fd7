#pragma once

#include <QObject>

class QWidget;

// Placeholder until the page is built: the operations the application controller sends.
class FixPageController final : public QObject {
    Q_OBJECT
public:
    explicit FixPageController(QWidget* page, QObject* parent = nullptr);
    void fixPageCreateUI();
    void populateFixPage();
    void destroyRights();

private:
    QWidget* m_page;
};
