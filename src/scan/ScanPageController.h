#pragma once

#include "scan/ScanLock.h"
#include "scan/ScanReportPacer.h"
#include "scan/ScanReporter.h"
#include "scan/ScanState.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class JunkScanner;
class MTUButton;
class QLabel;
class QPushButton;
class QThread;
class PageHost;
class QWidget;
class ScanInfo;
namespace Ui {
class ScanPage;
}

// The scan page and the scan engine behind it: starts and stops the scan
// thread, runs the scanners in their order and shows what they find.
// Page operations run on the main thread; the scan operations on the scan
// thread, which reaches the page only through calls that wait until the page
// has shown them, paced to what the page can show.
class ScanPageController final : public QObject, private ScanReporter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScanPageController)

public:
    ScanPageController(QWidget* page, PageHost& host, QObject* parent = nullptr);
    ~ScanPageController() override;

    void scanPageCreateUI();
    void drawScanPage();

    void scanPageScanNowClick();
    void scanPageStopScanClick();
    void scanPageReviewButtonClick();
    void startScanning();
    void scanningComplete();
    void clearCurrentlyScanning();
    void postScanningStuff();
    bool scanning() const { return m_state.bScanning; }
    void setScanning(bool scanning) { m_state.bScanning = scanning; }

    int nTotalErrorsCount() const { return m_state.nTotalErrorsCount; }
    int nCacheCount() const { return m_state.nCacheCount; }
    int nLogsCount() const { return m_state.nLogsCount; }
    int nSystemCacheCount() const { return m_state.nSystemCacheCount; }
    int nTrashCount() const { return m_state.nTrashCount; }

    // The clock that paces the findings shown during the next scans.
    void setReportClock(ScanReportPacer::Clock clock) { m_reportClock = std::move(clock); }

    // Scan thread, while a scan runs.
    void scanThreadMethod();
    void scanBrowserCache(const QStringList& paths, const QString& category);
    void scanNetscapeFireFoxCahe(const QStringList& paths);
    void scanBrowserOtherCategories(const QStringList& paths, const QString& category);
    void scanNetscapeFireFoxOtherCategories(
        const QStringList& paths, const QString& category, const QString& fileName);
    void scanSystemLogs();
    void scanSystemCache();
    void handleSystemCacheItem(const QString& path);

    // Main thread, while the scan thread waits.
    void updateScanPageUIWithCachInfo(const ScanInfo& info);
    void updateScanPageUI(const ScanInfo& info);
    void updateScanPageUIWithSystemCacheInfo(const ScanInfo& info);
    void updateInternetCacheCountScan();
    void updateSystemCacheCountScan();
    void updateScanPageUIWithTrashInfo(const ScanInfo& info);
    void updateTrashCountScan();

Q_SIGNALS:
    // The scan thread has ended and everything it wrote is on disk.
    void scanThreadFinished();

private:
    void reportBrowserItem(const ScanInfo& info) override;
    void reportLogEntry(const ScanInfo& info) override;
    void reportSystemCacheItem(const ScanInfo& info) override;
    void reportTrashItem(const ScanInfo& info) override;
    void reportNoInternetCacheItems() override;
    void reportNoSystemCacheItems() override;
    void reportNoTrashItems() override;
    void showLogsStateImage(const QString& imageName) override;
    void showSystemCacheStateImage(const QString& imageName) override;
    void showTrashStateImage(const QString& imageName) override;

    template <typename Call> void onPageAndWait(Call call);
    template <typename Call> void onPageLater(Call call);

    void updateCountAndProgress(QLabel* countField, int count, const ScanInfo& info);
    void setMatchCount(QLabel* countField, int count);
    void setStateImage(QLabel* imageView, const QString& imageName);
    void setButtonArtwork(MTUButton* button, const QString& normalImage, const QString& hoverImage);
    void setButtonImage(QPushButton* button, const QString& imageName);

    void endScanThread();

    PageHost& m_host;
    QWidget* m_page;
    std::unique_ptr<Ui::ScanPage> m_ui;
    ScanState m_state;
    ScanReportPacer::Clock m_reportClock = ScanReportPacer::steadyClock();
    std::unique_ptr<ScanReportPacer> m_pacer;
    std::unique_ptr<JunkScanner> m_scanner;
    std::unique_ptr<QThread> m_scanThread;
    ScanLock m_scanLock; // held from the start of a scan until its thread has ended
    bool m_startWhenThreadEnds = false;
    // A waited call from the scan thread ends when the page has run it, or
    // when the page goes: the scan thread never waits on a page that is gone.
    std::mutex m_pageCallLock;
    std::condition_variable m_pageCallDone;
    quint64 m_pageCallsAsked = 0; // scan thread only
    quint64 m_pageCallsDone = 0;
    std::atomic<bool> m_bTearingDown { false }; // read by the scan thread
    QString m_matchesFormat;
    QString m_totalFormat;
};
