#include "scan/ScanReportPacer.h"

#include <chrono>
#include <utility>

ScanReportPacer::Clock ScanReportPacer::steadyClock()
{
    return [] {
        return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch())
                          .count());
    };
}

ScanReportPacer::ScanReportPacer(ScanReporter& page, Clock clock)
    : m_page(page)
    , m_clock(std::move(clock))
{
}

void ScanReportPacer::reportNoInternetCacheItems()
{
    showHeldBack();
    m_page.reportNoInternetCacheItems();
}

void ScanReportPacer::reportNoSystemCacheItems()
{
    showHeldBack();
    m_page.reportNoSystemCacheItems();
}

void ScanReportPacer::reportNoTrashItems()
{
    showHeldBack();
    m_page.reportNoTrashItems();
}

void ScanReportPacer::showLogsStateImage(const QString& imageName)
{
    showHeldBack();
    m_page.showLogsStateImage(imageName);
}

void ScanReportPacer::showSystemCacheStateImage(const QString& imageName)
{
    showHeldBack();
    m_page.showSystemCacheStateImage(imageName);
}

void ScanReportPacer::showTrashStateImage(const QString& imageName)
{
    showHeldBack();
    m_page.showTrashStateImage(imageName);
}

void ScanReportPacer::finding(Kind kind, const ScanInfo& info)
{
    // Each kind shows its count in its own field, which must not keep a stale one.
    if (m_heldBack != kind)
        showHeldBack();
    const qint64 now = m_clock();
    if (!m_lastShown || now - *m_lastShown >= kFrameMs) {
        m_lastShown = now;
        m_heldBack = Kind::None;
        show(kind, info);
        return;
    }
    m_heldBack = kind;
    m_latest = info;
}

void ScanReportPacer::showHeldBack()
{
    if (m_heldBack != Kind::None)
        show(std::exchange(m_heldBack, Kind::None), m_latest);
}

void ScanReportPacer::show(Kind kind, const ScanInfo& info)
{
    switch (kind) {
    case Kind::Browser:
        m_page.reportBrowserItem(info);
        break;
    case Kind::Log:
        m_page.reportLogEntry(info);
        break;
    case Kind::SystemCache:
        m_page.reportSystemCacheItem(info);
        break;
    case Kind::Trash:
        m_page.reportTrashItem(info);
        break;
    case Kind::None:
        break;
    }
}
