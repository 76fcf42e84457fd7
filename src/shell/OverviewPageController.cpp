#include "shell/OverviewPageController.h"

#include "platform/Images.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "widgets/Accessibility.h"
#include "shell/OverviewStatus.h"
#include "widgets/PageHost.h"
#include "ui_OverviewPage.h"

#include <QPalette>

namespace {

const QString kProduct = QStringLiteral("Velmora");
const QString kScanNowImage = QStringLiteral("ScanNow");
const QString kScanNowHoverImage = QStringLiteral("ScanNow-hover");

void setTextColor(QWidget* field, const QColor& color)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::WindowText, color);
    field->setPalette(palette);
}

} // namespace

OverviewPageController::OverviewPageController(QWidget* page, PageHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_ui(std::make_unique<Ui::OverviewPage>())
    , m_page(page)
{
    m_ui->setupUi(m_page);
    // The pictures the layout starts with; from here on the button's hover
    // handling and drawOverviewPage change them.
    m_ui->overviewPageScanNowButton->setIcon(Images::named(kScanNowImage));
    m_ui->overviewPageIcon->setPixmap(Images::pixmapNamed(kProduct.toLower(), 72));
    Accessibility::setName(m_ui->overviewPageIcon, kProduct);
    m_ui->overviewPageLastScanText->setVisible(false);
    connect(m_ui->overviewPageScanNowButton, &QPushButton::clicked, this,
        &OverviewPageController::overviewPageScanNowClick);
}

OverviewPageController::~OverviewPageController() = default;

void OverviewPageController::overviewPageCreateUI()
{
    Accessibility::setTitle(m_ui->overviewPageScanNowButton,
        Localization::text(QStringLiteral("OVERVIEW_SCANNOW_TITLE"), QStringLiteral("Scan Now")));
    m_ui->overViewPageTitleText->setText(Localization::text(
        QStringLiteral("OVERVIEW_HEADER"), QStringLiteral("Remove Junk Files with a single mouse click")));
    m_ui->overviewPageStatusLabelText->setText(
        Localization::text(QStringLiteral("OVERVIEW_STATUSLABEL_TEXT"), QStringLiteral("Status:")));
    m_ui->overviewPagePanelTitleText->setText(kProduct);
    m_ui->overviewPagePanelDescText->setText(
        formatText(Localization::text(QStringLiteral("OVERVIEW_PANEL_DESC_TEXT"),
                       QStringLiteral("%@ makes a comprehensive search of your system to locate and "
                                      "remove files that clutter up your system, take up unnecessary "
                                      "space, and slow down your system.")),
            { kProduct }));
    m_ui->overviewPageScanNowButton->setNormalImageName(kScanNowImage);
    m_ui->overviewPageScanNowButton->setHoverImageName(kScanNowHoverImage);
    m_ui->overviewPageScanNowButton->setToolTip(
        Localization::text(QStringLiteral("SCANNOW_TOOLTIP"), QStringLiteral("Click to Scan Now!")));
    scanStatusStuff();
}

void OverviewPageController::scanStatusStuff()
{
    const UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    const OverviewStatus status
        = OverviewStatus::decide(defaults.stringForKey(QStringLiteral("SCANNED_COMPLETE_TIME")),
            defaults.stringForKey(QStringLiteral("FIXED_COMPLETE_TIME")),
            defaults.integerForKey(QStringLiteral("ERRORS_FOUND")), now);
    const QColor color = OverviewStatus::color(status.tint);

    m_ui->overviewPageStatus->setText(status.status);
    m_ui->overviewPageDescText->setText(status.suggestion);
    setTextColor(m_ui->overviewPageStatus, color);
    setTextColor(m_ui->overviewPageDescText, color);
    // Without a scan there is no date to show; a line left over from an
    // earlier set-up would contradict "never scanned".
    m_ui->overviewPageLastScanText->setVisible(!status.lastScanLine.isEmpty());
    if (!status.lastScanLine.isEmpty()) {
        m_ui->overviewPageLastScanText->setText(status.lastScanLine);
        setTextColor(m_ui->overviewPageLastScanText, color);
    }
}

void OverviewPageController::drawOverviewPage()
{
    m_ui->overviewPageScanNowButton->setIcon(Images::named(kScanNowImage));
}

void OverviewPageController::overviewPageScanNowClick()
{
    // The scan page is shown before the scan starts, so its first report lands on a visible page.
    m_host.setView(PageHost::ScanPage);
    m_host.startScanning();
}

void OverviewPageController::setClock(Clock clock)
{
    m_clock = std::move(clock);
}
