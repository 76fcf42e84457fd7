#pragma once

#include <QObject>

class QAction;

// Titles of the application menu's About, Hide and Quit items.
class MainMenuDelegate final : public QObject {
    Q_OBJECT
public:
    MainMenuDelegate(QAction* about, QAction* hide, QAction* quit, QObject* parent = nullptr);
    void awakeFromNib();

    QAction* aboutAppMenuItem;
    QAction* hideAppMenuItem;
    QAction* quitAppMenuItem;
};
