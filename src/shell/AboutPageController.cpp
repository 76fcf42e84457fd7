#include "shell/AboutPageController.h"

#include "platform/Images.h"
#include "platform/Localization.h"
#include "widgets/Accessibility.h"
#include "support/ApplicationUtility.h"
#include "ui_AboutPanel.h"

#include <QDialog>

namespace {
const QString kCloseImage = QStringLiteral("about");
const QString kCloseHoverImage = QStringLiteral("about-hover");
} // namespace

AboutPageController::AboutPageController(QDialog* panel, QObject* parent)
    : QObject(parent)
    , m_ui(std::make_unique<Ui::AboutPanel>())
    , m_panel(panel)
{
    m_ui->setupUi(m_panel);
    m_ui->aboutPanelCloseButton->setIcon(Images::named(kCloseImage));
    m_ui->aboutPanelIcon->setPixmap(Images::pixmapNamed(QStringLiteral("velmora"), 64));
    Accessibility::setName(m_ui->aboutPanelIcon, QStringLiteral("Velmora"));
    connect(m_ui->aboutPanelCloseButton, &QPushButton::clicked, this,
        &AboutPageController::aboutPageOKButtonClick);
}

AboutPageController::~AboutPageController() = default;

QString AboutPageController::projectAddress()
{
    // A reserved example address stands in until the project has a site of its own.
    return QStringLiteral("https://velmora.example.org/");
}

void AboutPageController::aboutPanelCreateUI()
{
    m_panel->setWindowTitle(
        formatText(Localization::text(QStringLiteral("MENU_ABOUTAPP_TITLE"), QStringLiteral("About %@")),
            { QStringLiteral("Velmora") }));
    m_ui->aboutPanelWarningText->setText(Localization::text(QStringLiteral("ABOUT_WARNING"),
        QStringLiteral("Velmora is provided as is, without warranty of any kind. Files it removes cannot be "
                       "recovered: review what a scan found before you remove it.")));
    m_ui->aboutPanelCopyRight->setText(Localization::text(QStringLiteral("ABOUT_COPYRIGHT"),
        QStringLiteral("Copyright \u00a9 the Velmora developers. All rights reserved.")));
    const QString closeTitle
        = Localization::text(QStringLiteral("ABOUT_CLOSEBUTTON"), QStringLiteral("Close"));
    const QString address = Localization::text(QStringLiteral("QUARROW_URL"), projectAddress());
    Accessibility::setTitle(m_ui->aboutPanelCloseButton, closeTitle);
    m_ui->aboutPanelLinkTextField->setText(address);
    Accessibility::setName(m_ui->aboutPanelLinkTextField, address);
    m_ui->aboutPanelEditionText->setText(
        Localization::text(QStringLiteral("EDITION_TEXT"), QStringLiteral("October 2009 Edition")));
    m_ui->aboutPanelCloseButton->setToolTip(closeTitle);
    m_ui->aboutPanelCloseButton->setNormalImageName(kCloseImage);
    m_ui->aboutPanelCloseButton->setHoverImageName(kCloseHoverImage);
    ApplicationUtility::setHyperlinkOnTextField(m_ui->aboutPanelLinkTextField, address);
}

void AboutPageController::aboutPageOKButtonClick()
{
    // The panel this controller was given is the application's About panel.
    m_panel->hide();
}
