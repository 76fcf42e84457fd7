#include "startup/OptionsPageController.h"

#include "platform/Images.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"
#include "widgets/Accessibility.h"
#include "widgets/PageHost.h"
#include "startup/LoginItem.h"
#include "ui_OptionsPage.h"

#include <QSignalBlocker>
#include <QUrl>

namespace {

const QString kProductName = QStringLiteral("Velmora");
const QString kFirstRunKey = QStringLiteral("ISFIRSTRUN");
const QString kStartAtBootKey = QStringLiteral("STARTATBOOT");
const QString kAboutNormalImage = QStringLiteral("close");
const QString kAboutHoverImage = QStringLiteral("close-hover");

QString text(const char* key, const char* englishDefault)
{
    return Localization::text(QString::fromLatin1(key), QString::fromLatin1(englishDefault));
}

QUrl ownExecutableURL()
{
    return QUrl::fromLocalFile(Locations::current().ownExecutable);
}

} // namespace

OptionsPageController::OptionsPageController(QWidget* page, PageHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_ui(std::make_unique<Ui::OptionsPage>())
    , m_page(page)
{
    m_ui->setupUi(m_page);
    // toggled, not clicked: a screen reader's toggle action or a keyboard
    // toggle changes the box without a click, and must change the store too.
    connect(m_ui->optionsPageAddtoStartupButton, &QAbstractButton::toggled, this,
        &OptionsPageController::optionsPageAddtoStartupClick);
    connect(m_ui->optionsPageAboutButton, &QAbstractButton::clicked, this,
        &OptionsPageController::optionsPageShowAboutPanel);
}

OptionsPageController::~OptionsPageController() = default;

void OptionsPageController::optionsPageCreateUI()
{
    const QString aboutTitle = text("OPTIONSPAGE_ABOUT_TITLE", "About");
    Accessibility::setTitle(m_ui->optionsPageAboutButton, aboutTitle);
    m_ui->optionsPageTitleText->setText(
        formatText(text("OPTIONSPAGE_TITLE", "%@ Options"), { kProductName }));
    Accessibility::setTitle(
        m_ui->optionsPageAddtoStartupButton, text("OPTIONSPAGE_ADDTOSTARTUP", "Add to Startup Items"));
    m_ui->optionsPageAddtoStartupButton->setToolTip(formatText(
        text("CHECK_STARTUP", "Check if you want %@ to start when system starts"), { kProductName }));
    m_ui->optionsPageAboutButton->setToolTip(aboutTitle);
    m_ui->optionsPageAboutButton->setNormalImageName(kAboutNormalImage);
    m_ui->optionsPageAboutButton->setHoverImageName(kAboutHoverImage);
    m_ui->optionsPageAboutButton->setIcon(Images::named(kAboutNormalImage));

    registerOnFirstRun();

    // After the registration, so the first run shows the item it has just added.
    // Showing the store's state is no request to change the store.
    const QSignalBlocker quiet(m_ui->optionsPageAddtoStartupButton);
    m_ui->optionsPageAddtoStartupButton->setChecked(
        LoginItem::indexForLoginItemWithURL(ownExecutableURL()) >= 0);
}

void OptionsPageController::registerOnFirstRun()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (defaults.boolForKey(kFirstRunKey))
        return;
    defaults.setBool(true, kStartAtBootKey);
    defaults.setBool(true, kFirstRunKey);
    // The flag is what keeps this to one run. Unsaved, every start would add
    // one more login item, so registering waits for a start that can save it.
    if (!defaults.synchronize()) {
        SystemLog::write(
            QStringLiteral("Could not save the first-run settings; %1 is not added to the login items")
                .arg(kProductName));
        return;
    }
    LoginItem::addLoginItemWithURL(ownExecutableURL(), false);
}

void OptionsPageController::optionsPageAddtoStartupClick()
{
    const QUrl url = ownExecutableURL();
    if (m_ui->optionsPageAddtoStartupButton->isChecked()) {
        LoginItem::addLoginItemWithURL(url, false);
        return;
    }
    if (LoginItem::indexForLoginItemWithURL(url) < 0) {
        SystemLog::write(QStringLiteral("optionsPageAddtoStartupClick - Could not get valid loginItems"));
        return;
    }
    LoginItem::removeLoginItemWithURL(url);
}

void OptionsPageController::optionsPageShowAboutPanel()
{
    m_host.showAboutPanel();
}
