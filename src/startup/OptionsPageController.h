#pragma once

#include <QObject>

class QWidget;

// Placeholder until the page is built: the operations the application controller sends.
class OptionsPageController final : public QObject {
    Q_OBJECT
public:
    explicit OptionsPageController(QWidget* page, QObject* parent = nullptr);
    void optionsPageCreateUI();

private:
    QWidget* m_page;
};
