#include "ShellFixture.h"

#include "platform/PropertyList.h"
#include "shell/Accessibility.h"
#include "shell/MTUTextField.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

namespace {

using AccessibilityTest = ShellFixture;

// Every visible control of the window's built pages, its navigation column and
// the About panel must be findable by name. Returns how many were looked at.
int expectEveryControlNamed(ApplicationController& app, QWidget* navigation)
{
    QList<QWidget*> roots { navigation, app.aboutPanel() };
    for (int page = 0; page < app.pagesTabView()->count(); ++page)
        roots << app.pagesTabView()->widget(page); // a placeholder page has nothing to walk
    int looked = 0;
    for (QWidget* root : std::as_const(roots)) {
        for (QWidget* control : root->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(root))
                continue;
            const std::string where = control->objectName().toStdString();
            if (auto* button = qobject_cast<QAbstractButton*>(control)) {
                ++looked;
                EXPECT_FALSE(button->accessibleName().isEmpty()) << where;
                // Spoken and shown words agree, also after a translation.
                if (!button->text().isEmpty()) {
                    EXPECT_EQ(button->accessibleName(), Accessibility::withoutMnemonics(button->text()))
                        << where;
                }
            } else if (qobject_cast<QLineEdit*>(control) || qobject_cast<MTUTextField*>(control)) {
                ++looked;
                EXPECT_FALSE(control->accessibleName().isEmpty()) << where;
            } else if (auto* label = qobject_cast<QLabel*>(control)) {
                // Words on a label are read as they stand; a picture needs words of its own.
                if (label->text().isEmpty() && !label->pixmap().isNull()) {
                    ++looked;
                    EXPECT_FALSE(label->accessibleName().isEmpty()) << where;
                }
            }
        }
    }
    return looked;
}

} // namespace

TEST_F(AccessibilityTest, EveryVisibleControlHasAnAccessibleName)
{
    ApplicationController& app = start();
    app.window()->show();
    app.showAboutPanel();
    // Five navigation buttons, Scan Now, Close, the link, About, the start-up box, Uninstall and the logos.
    EXPECT_GE(expectEveryControlNamed(app, widget<QWidget>("navigationFrame")), 14);
    EXPECT_EQ(app.scanButton()->accessibleName(), QStringLiteral("Scan"));
    EXPECT_EQ(
        widget<QAbstractButton>("overviewPageScanNowButton")->accessibleName(), QStringLiteral("Scan Now"));
}

TEST_F(AccessibilityTest, NamesFollowTheTranslationWithoutShortcutMarks)
{
    Locations translated = m_sandbox.locations();
    translated.resourcesFolder = m_sandbox.makeFolder(QStringLiteral("resources"));
    m_sandbox.makeFolder(QStringLiteral("resources/localization"));
    m_sandbox.setLocations(translated);
    ASSERT_TRUE(PropertyList::writeXml(
        QVariantMap {
            { QStringLiteral("SCANTITLE"), QStringLiteral("&Suchen") },
            { QStringLiteral("OVERVIEW_SCANNOW_TITLE"), QStringLiteral("Jetzt &pr\u00fcfen") },
            { QStringLiteral("TOOLSPAGE_UNINSTALL_BUTTON_TITLE"),
                QStringLiteral("Ent&fernen && Aufr\u00e4umen") },
            { QStringLiteral("ABOUT_CLOSEBUTTON"), QStringLiteral("Schlie\u00dfen") },
        },
        translated.resourcesFolder + QStringLiteral("/localization/xx.plist")));
    Localization::setLanguage(QStringLiteral("xx"));

    ApplicationController& app = start();
    app.window()->show();
    app.showAboutPanel();
    expectEveryControlNamed(app, widget<QWidget>("navigationFrame"));
    EXPECT_EQ(app.scanButton()->accessibleName(), QStringLiteral("Suchen"));
    EXPECT_EQ(widget<QAbstractButton>("overviewPageScanNowButton")->accessibleName(),
        QStringLiteral("Jetzt pr\u00fcfen"));
    EXPECT_EQ(widget<QAbstractButton>("toolsPageUninstallButton")->accessibleName(),
        QStringLiteral("Entfernen & Aufr\u00e4umen"));
    EXPECT_EQ(
        widget<QAbstractButton>("aboutPanelCloseButton")->accessibleName(), QStringLiteral("Schlie\u00dfen"));
}
