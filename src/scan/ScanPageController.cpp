#include "scan/ScanPageController.h"

#include "platform/Images.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "scan/JunkScanner.h"
#include "scan/ScanInfo.h"
#include "scan/ScanRecord.h"
#include "widgets/Accessibility.h"
#include "widgets/MTUButton.h"
#include "widgets/PageHost.h"
#include "ui_ScanPage.h"

#include <QThread>

namespace {

const QString kArrow = QStringLiteral("Arrow");
const QString kRightMark = QStringLiteral("RightMark");
const QString kScanNowImage = QStringLiteral("ScanNow");
const QString kStopImage = QStringLiteral("Stop");
// The artwork every page's main action button shares.
const QString kActionImage = QStringLiteral("ActionButton");
const QString kActionHoverImage = QStringLiteral("ActionButton-hover");

const char* const kImageNameProperty = "imageName";

} // namespace

ScanPageController::ScanPageController(QWidget* page, PageHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_page(page)
    , m_ui(std::make_unique<Ui::ScanPage>())
{
    m_ui->setupUi(m_page);
    connect(
        m_ui->scanPageScanNowButton, &QPushButton::clicked, this, &ScanPageController::scanPageScanNowClick);
    connect(m_ui->scanPageStopScanButton, &QPushButton::clicked, this,
        &ScanPageController::scanPageStopScanClick);
    connect(m_ui->scanPageGoToReviewButton, &QPushButton::clicked, this,
        &ScanPageController::scanPageReviewButtonClick);

    // Areas that come and go keep their place, so nothing else on the page
    // moves; Scan Now and Stop Scan take turns in one place.
    for (QWidget* widget : std::initializer_list<QWidget*> { m_ui->scanPageInternetCacheMatchCount,
             m_ui->scanPageInternetCacheStateImage, m_ui->scanPageLogMatchCount, m_ui->scanPageLogsStateImage,
             m_ui->scanPageSystemCacheMatchCount, m_ui->scanPageSystemCacheStateImage,
             m_ui->scanPageTrashMatchCount, m_ui->scanPageTrashStateImage, m_ui->scanPageAnimation, m_ui->scanPageScanCategory, m_ui->scanPageGoToReviewButton }) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
        widget->hide();
    }
    m_ui->scanPageStopScanButton->hide();
    m_matchesFormat = Localization::text("MATCHES_TEXT", "(%d Matches)");
    m_totalFormat = Localization::text("TOTAL_ERRORS", "Total Junk Files: %d");
}

ScanPageController::~ScanPageController()
{
    // The widgets may already be gone; the thread must not wait on them, nor
    // outlive this object. Nothing here runs the event loop: whatever the scan
    // thread still asks of the page is dropped with this object.
    {
        const std::lock_guard lock(m_pageCallLock);
        m_bTearingDown = true;
        m_state.scanCancelled = true;
        m_state.bScanning = false;
    }
    m_pageCallDone.notify_all();
    if (m_scanThread)
        m_scanThread->wait();
}

void ScanPageController::scanPageCreateUI()
{
    Accessibility::setTitle(
        m_ui->scanPageScanNowButton, Localization::text("OVERVIEW_SCANNOW_TITLE", "Scan Now"));
    Accessibility::setTitle(
        m_ui->scanPageStopScanButton, Localization::text("SCANPAGE_STOPSCAN_TITLE", "Stop Scan"));
    m_ui->scanPageTitleText->setText(withoutWidow(
        Localization::text("SCAN_PAGE_TITLE_TEXT", "Scan and remove Junk Files with a single mouse click.")));
    m_ui->scanPagePanelTitleText->setText(Localization::text("SCANPAGE_PANEL_TITLE", "Currently Scanning:"));
    m_ui->scanPageScanNowButton->setToolTip(Localization::text("SCANNOW_TOOLTIP", "Click to Scan Now!"));
    m_ui->scanPageStopScanButton->setToolTip(
        Localization::text("STOPSCAN_TOOLTIP", "Click to Stop Scanning"));
    m_ui->scanPageInternetCacheText->setText(
        Localization::text("SCANPAGE_INTERNETCACHE_TITLE", "Internet Cache"));
    m_ui->scanPageLogsText->setText(Localization::text("SCANPAGE_LOGS_TITLE", "Logs"));
    m_ui->scanPageSystemCacheText->setText(Localization::text("SCANPAGE_SYSTEMCACHE_TITLE", "System Cache"));
    m_ui->scanPageTrashText->setText(Localization::text("SCANPAGE_TRASH_TITLE", "Trash"));

    setButtonArtwork(m_ui->scanPageStopScanButton, kStopImage, QStringLiteral("Stop-hover"));
    setButtonArtwork(m_ui->scanPageScanNowButton, kScanNowImage, QStringLiteral("ScanNow-hover"));

    Accessibility::setTitle(
        m_ui->scanPageGoToReviewButton, Localization::text("SCANPAGE_REVIEW_BUTTON_TITLE", "Review"));
    m_ui->scanPageGoToReviewButton->setToolTip(
        Localization::text("SCANPAGE_REVIEW_TOOLTIP", "Click to Review!"));
    setButtonArtwork(m_ui->scanPageGoToReviewButton, kActionImage, kActionHoverImage);
    if (m_state.nTotalErrorsCount < 1)
        m_ui->scanPageGoToReviewButton->hide();
    if (!m_state.bScanning)
        m_ui->scanPagePanelTitleText->hide();
}

void ScanPageController::drawScanPage()
{
    setButtonImage(m_ui->scanPageStopScanButton, kStopImage);
    setButtonImage(m_ui->scanPageScanNowButton, kScanNowImage);
    if (!m_state.bScanning)
        m_ui->scanPageAnimation->hide();
}

void ScanPageController::scanPageScanNowClick()
{
    startScanning();
}

void ScanPageController::scanPageReviewButtonClick()
{
    m_host.displayReviewPage();
}

void ScanPageController::startScanning()
{
    if (m_state.bScanning || m_startWhenThreadEnds)
        return;
    // A stopped scan may still be finishing its walk and writing the results
    // file; it must be gone before the file is deleted and the counters reset.
    // Waiting for it here, in an event loop of our own, would end early when
    // the application quits meanwhile; the new scan starts when it has ended.
    if (m_scanThread) {
        m_startWhenThreadEnds = true;
        return;
    }

    const Locations locations = Locations::current();
    if (m_scanLock.take(locations) == ScanLock::State::Busy) {
        SystemLog::write(
            QStringLiteral("Not scanning: another scan holds %1").arg(ScanLock::lockFile(locations)));
        m_host.showAlert(ScanLock::busyText());
        return;
    }
    m_state.scanCancelled = false;

    m_ui->scanPageGoToReviewButton->hide();
    m_state.resetCounters();
    m_ui->scanPageLogMatchCount->clear();
    m_ui->scanPageInternetCacheMatchCount->clear();
    m_ui->scanPageSystemCacheMatchCount->clear();
    m_ui->scanPageTrashMatchCount->clear();
    m_ui->scanPageTotalErrorsCount->clear();
    setStateImage(m_ui->scanPageLogsStateImage, QString());
    setStateImage(m_ui->scanPageInternetCacheStateImage, QString());
    setStateImage(m_ui->scanPageSystemCacheStateImage, QString());
    setStateImage(m_ui->scanPageTrashStateImage, QString());

    ScanRecord::scanStarting(locations);

    m_ui->scanPageAnimation->show();
    m_ui->scanPageAnimation->setRange(0, 0);
    m_ui->scanPagePanelTitleText->show();

    setScanning(true);

    m_ui->scanPageStopScanButton->show();
    m_ui->scanPageScanNowButton->hide();
    m_ui->scanPageScanCategory->show();
    m_ui->scanPageLogMatchCount->hide();
    m_ui->scanPageLogsStateImage->hide();
    m_ui->scanPageSystemCacheMatchCount->hide();
    m_ui->scanPageSystemCacheStateImage->hide();
    m_ui->scanPageTrashMatchCount->hide();
    m_ui->scanPageTrashStateImage->hide();

    PageHost* application = &m_host;
    application->setEnableReviewButton(false);
    application->setEnableOptionsButton(false);
    application->setEnableFixButton(false);
    application->setShowOverviewPage(false);

    m_matchesFormat = Localization::text("MATCHES_TEXT", "(%d Matches)");
    m_totalFormat = Localization::text("TOTAL_ERRORS", "Total Junk Files: %d");
    ScanReporter& page = *this;
    m_pacer = std::make_unique<ScanReportPacer>(page, m_reportClock);
    m_scanner = std::make_unique<JunkScanner>(m_state, *m_pacer, locations);
    m_scanThread.reset(QThread::create([this] {
        scanThreadMethod();
        QMetaObject::invokeMethod(this, &ScanPageController::endScanThread, Qt::QueuedConnection);
    }));
    m_scanThread->setObjectName(QStringLiteral("velmora-scan"));
    m_scanThread->start();
}

void ScanPageController::scanThreadMethod()
{
    m_scanner->scanEverything([this](JunkScanner::Stage stage) {
        onPageLater([this, stage] {
            switch (stage) {
            case JunkScanner::Stage::InternetCache:
                setStateImage(m_ui->scanPageInternetCacheStateImage, kArrow);
                m_ui->scanPageInternetCacheMatchCount->show();
                m_ui->scanPageInternetCacheStateImage->show();
                break;
            case JunkScanner::Stage::InternetCacheEnded:
                setStateImage(m_ui->scanPageInternetCacheStateImage, kRightMark);
                break;
            case JunkScanner::Stage::Logs:
                m_ui->scanPageLogMatchCount->show();
                m_ui->scanPageLogsStateImage->show();
                break;
            case JunkScanner::Stage::SystemCache:
                m_ui->scanPageSystemCacheMatchCount->show();
                m_ui->scanPageSystemCacheStateImage->show();
                break;
            case JunkScanner::Stage::Trash:
                m_ui->scanPageTrashMatchCount->show();
                m_ui->scanPageTrashStateImage->show();
                break;
            }
        });
    });

    if (m_state.scanCancelled && m_state.nTotalErrorsCount > 0) {
        onPageAndWait([this] {
            // Not when the user has already started the next scan.
            if (!m_startWhenThreadEnds)
                m_host.displayReviewPage();
        });
    }
    if (m_state.bScanning)
        onPageAndWait([this] { scanningComplete(); });
}

void ScanPageController::scanPageStopScanClick()
{
    if (!m_state.bScanning)
        return;
    m_ui->scanPageStopScanButton->hide();
    m_ui->scanPageScanNowButton->show();
    clearCurrentlyScanning();
    m_ui->scanPageScanResultText->setText(
        Localization::text("SCANNING_CANCELLED", "Scanning cancelled by the User."));
    m_ui->scanPageScanCategory->hide();
    m_state.scanCancelled = true;
    postScanningStuff();
}

void ScanPageController::scanningComplete()
{
    // A Stop click may have been handled while this call was on its way.
    if (!m_state.bScanning)
        return;
    m_ui->scanPageStopScanButton->hide();
    m_ui->scanPageScanNowButton->show();
    PageHost* application = &m_host;
    application->setEnableOverviewButton(true);
    application->setEnableReviewButton(true);
    clearCurrentlyScanning();
    m_ui->scanPageScanResultText->setText(m_state.nTotalErrorsCount > 0
            ? Localization::text("SCANNING_COMPLETE", "Scanning Complete. Click Review.")
            : Localization::text("SCANNING_COMPLETE_NO_ERRORS", "Scanning Complete. No Junk Items found."));
    m_ui->scanPageScanCategory->hide();
    setButtonImage(m_ui->scanPageScanNowButton, kScanNowImage);
    if (m_state.nTotalErrorsCount > 0) {
        m_ui->scanPageGoToReviewButton->show();
        m_ui->scanPageGoToReviewButton->setEnabled(true);
        setButtonArtwork(m_ui->scanPageGoToReviewButton, kActionImage, kActionHoverImage);
    }
    m_state.scanCancelled = false;
    postScanningStuff();
}

void ScanPageController::clearCurrentlyScanning()
{
    // Once the scan ends nothing is being scanned: the line goes, title and all.
    m_ui->scanPageScanDescription->clear();
    m_ui->scanPageScanDescription->setToolTip(QString());
    m_ui->scanPagePanelTitleText->hide();
}

void ScanPageController::postScanningStuff()
{
    m_ui->scanPageAnimation->setRange(0, 1);
    m_ui->scanPageAnimation->hide();
    setScanning(false);

    ScanRecord::scanEnded(m_state.nTotalErrorsCount);

    PageHost* application = &m_host;
    application->setEnableOptionsButton(true);
    const bool found = m_state.nTotalErrorsCount >= 1;
    application->setEnableReviewButton(found);
    application->setEnableFixButton(found);
}

void ScanPageController::scanBrowserCache(const QStringList& paths, const QString& category)
{
    m_scanner->scanBrowserCache(paths, category);
}

void ScanPageController::scanNetscapeFireFoxCahe(const QStringList& paths)
{
    m_scanner->scanNetscapeFireFoxCahe(paths);
}

void ScanPageController::scanBrowserOtherCategories(const QStringList& paths, const QString& category)
{
    m_scanner->scanBrowserOtherCategories(paths, category);
}

void ScanPageController::scanNetscapeFireFoxOtherCategories(
    const QStringList& paths, const QString& category, const QString& fileName)
{
    m_scanner->scanNetscapeFireFoxOtherCategories(paths, category, fileName);
}

void ScanPageController::scanSystemLogs()
{
    m_scanner->scanSystemLogs();
}

void ScanPageController::scanSystemCache()
{
    m_scanner->scanSystemCache();
}

void ScanPageController::handleSystemCacheItem(const QString& path)
{
    m_scanner->handleSystemCacheItem(path);
}

void ScanPageController::updateScanPageUIWithCachInfo(const ScanInfo& info)
{
    updateCountAndProgress(m_ui->scanPageInternetCacheMatchCount, m_state.nCacheCount, info);
}

void ScanPageController::updateScanPageUI(const ScanInfo& info)
{
    updateCountAndProgress(m_ui->scanPageLogMatchCount, m_state.nLogsCount, info);
}

void ScanPageController::updateScanPageUIWithSystemCacheInfo(const ScanInfo& info)
{
    updateCountAndProgress(m_ui->scanPageSystemCacheMatchCount, m_state.nSystemCacheCount, info);
}

void ScanPageController::updateScanPageUIWithTrashInfo(const ScanInfo& info)
{
    updateCountAndProgress(m_ui->scanPageTrashMatchCount, m_state.nTrashCount, info);
}

void ScanPageController::updateInternetCacheCountScan()
{
    setMatchCount(m_ui->scanPageInternetCacheMatchCount, 0);
}

void ScanPageController::updateSystemCacheCountScan()
{
    setMatchCount(m_ui->scanPageSystemCacheMatchCount, 0);
}

void ScanPageController::updateTrashCountScan()
{
    setMatchCount(m_ui->scanPageTrashMatchCount, 0);
}

// Findings pass through here while the scan thread waits, so it sets texts on
// labels of fixed size and does nothing else: a label whose size follows its
// text would have the page laid out again at every report.
void ScanPageController::updateCountAndProgress(QLabel* countField, int count, const ScanInfo& info)
{
    setMatchCount(countField, count);
    m_ui->scanPageScanCategory->setText(Localization::categoryName(info.getCategory()));
    m_ui->scanPageTotalErrorsCount->setText(
        formatText(m_totalFormat, { QString::number(m_state.nTotalErrorsCount) }));
    if (m_state.bScanning) {
        // A long path keeps both ends, where its place and its name are; the tooltip holds all of it.
        QLabel* description = m_ui->scanPageScanDescription;
        description->setText(description->fontMetrics().elidedText(
            info.getDescription(), Qt::ElideMiddle, description->maximumWidth()));
        description->setToolTip(info.getDescription());
        m_ui->scanPageScanResultText->setText(QString());
    }
}

void ScanPageController::setMatchCount(QLabel* countField, int count)
{
    countField->setText(formatText(m_matchesFormat, { QString::number(count) }));
}

void ScanPageController::setStateImage(QLabel* imageView, const QString& imageName)
{
    imageView->setProperty(kImageNameProperty, imageName);
    const QIcon icon = Images::named(imageName);
    imageView->setPixmap(
        icon.isNull() ? QPixmap() : icon.pixmap(imageView->maximumSize(), imageView->devicePixelRatioF()));
}

void ScanPageController::setButtonArtwork(
    MTUButton* button, const QString& normalImage, const QString& hoverImage)
{
    button->setNormalImageName(normalImage);
    button->setHoverImageName(hoverImage);
    setButtonImage(button, button->underMouse() ? hoverImage : normalImage);
}

void ScanPageController::setButtonImage(QPushButton* button, const QString& imageName)
{
    button->setIcon(Images::named(imageName));
}

void ScanPageController::reportBrowserItem(const ScanInfo& info)
{
    onPageAndWait([this, &info] { updateScanPageUIWithCachInfo(info); });
}

void ScanPageController::reportLogEntry(const ScanInfo& info)
{
    onPageAndWait([this, &info] { updateScanPageUI(info); });
}

void ScanPageController::reportSystemCacheItem(const ScanInfo& info)
{
    onPageAndWait([this, &info] { updateScanPageUIWithSystemCacheInfo(info); });
}

void ScanPageController::reportTrashItem(const ScanInfo& info)
{
    onPageAndWait([this, &info] { updateScanPageUIWithTrashInfo(info); });
}

void ScanPageController::reportNoInternetCacheItems()
{
    onPageAndWait([this] { updateInternetCacheCountScan(); });
}

void ScanPageController::reportNoSystemCacheItems()
{
    onPageAndWait([this] { updateSystemCacheCountScan(); });
}

void ScanPageController::reportNoTrashItems()
{
    onPageAndWait([this] { updateTrashCountScan(); });
}

void ScanPageController::showLogsStateImage(const QString& imageName)
{
    onPageLater([this, imageName] { setStateImage(m_ui->scanPageLogsStateImage, imageName); });
}

void ScanPageController::showSystemCacheStateImage(const QString& imageName)
{
    onPageLater([this, imageName] { setStateImage(m_ui->scanPageSystemCacheStateImage, imageName); });
}

void ScanPageController::showTrashStateImage(const QString& imageName)
{
    onPageLater([this, imageName] { setStateImage(m_ui->scanPageTrashStateImage, imageName); });
}

// Runs call on the main thread and returns when it is done, or at once when
// the page is going. The scan thread reuses its records, and reads the
// counters, only after the page has shown them.
template <typename Call> void ScanPageController::onPageAndWait(Call call)
{
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    std::unique_lock lock(m_pageCallLock);
    if (m_bTearingDown)
        return;
    const quint64 ticket = ++m_pageCallsAsked;
    lock.unlock();
    QMetaObject::invokeMethod(
        this,
        [this, &call, ticket] {
            // The scan thread stops waiting only when this has run or the
            // page is going, so call is still there unless the page is going.
            if (!m_bTearingDown)
                call();
            const std::lock_guard done(m_pageCallLock);
            m_pageCallsDone = ticket;
            m_pageCallDone.notify_all();
        },
        Qt::QueuedConnection);
    lock.lock();
    m_pageCallDone.wait(lock, [&] { return m_pageCallsDone >= ticket || m_bTearingDown; });
}

template <typename Call> void ScanPageController::onPageLater(Call call)
{
    QMetaObject::invokeMethod(
        this,
        [this, call] {
            if (!m_bTearingDown)
                call();
        },
        Qt::QueuedConnection);
}

void ScanPageController::endScanThread()
{
    if (!m_scanThread)
        return;
    m_scanThread->wait();
    m_scanThread.reset();
    m_scanner.reset();
    m_pacer.reset();
    m_scanLock.release();
    Q_EMIT scanThreadFinished();
    if (std::exchange(m_startWhenThreadEnds, false))
        startScanning();
}
