#include "shell/MainMenuDelegate.h"

#include "platform/Localization.h"

#include <QAction>

MainMenuDelegate::MainMenuDelegate(QAction* about, QAction* hide, QAction* quit, QObject* parent)
    : QObject(parent)
    , aboutAppMenuItem(about)
    , hideAppMenuItem(hide)
    , quitAppMenuItem(quit)
{
}

void MainMenuDelegate::awakeFromNib()
{
    const QStringList product { QStringLiteral("Velmora") };
    aboutAppMenuItem->setText(formatText(Localization::text("MENU_ABOUTAPP_TITLE", "About %@"), product));
    quitAppMenuItem->setText(formatText(Localization::text("MENU_QUITAPP_TITLE", "Quit %@"), product));
    hideAppMenuItem->setText(formatText(Localization::text("MENU_HIDEAPP_TITLE", "Hide %@"), product));
}
