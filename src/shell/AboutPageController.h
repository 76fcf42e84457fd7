#pragma once

#include <QObject>

class QDialog;

// Placeholder until the About panel is built.
class AboutPageController final : public QObject {
    Q_OBJECT
public:
    explicit AboutPageController(QDialog* panel, QObject* parent = nullptr);
    void aboutPanelCreateUI();

private:
    QDialog* m_panel;
};
