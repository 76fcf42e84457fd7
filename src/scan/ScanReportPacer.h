#pragma once

#include "scan/ScanInfo.h"
#include "scan/ScanReporter.h"

#include <QtGlobal>

#include <functional>
#include <optional>

// Stands between the scanners and the page. A walk finds paths far faster
// than anyone can read them, and every report makes the scan thread wait for
// the main thread; so a finding reaches the page only when a frame has passed
// since the last one shown, and the latest finding held back is shown when
// its walk ends or before any other report, whose order must not change.
// Everything else passes at once. Scan thread only.
class ScanReportPacer final : public ScanReporter {
    Q_DISABLE_COPY_MOVE(ScanReportPacer)

public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;
    static constexpr qint64 kFrameMs = 40;
    static Clock steadyClock();

    explicit ScanReportPacer(ScanReporter& page, Clock clock = steadyClock());

    void reportBrowserItem(const ScanInfo& info) override { finding(Kind::Browser, info); }
    void reportLogEntry(const ScanInfo& info) override { finding(Kind::Log, info); }
    void reportSystemCacheItem(const ScanInfo& info) override { finding(Kind::SystemCache, info); }
    void reportTrashItem(const ScanInfo& info) override { finding(Kind::Trash, info); }
    void reportNoInternetCacheItems() override;
    void reportNoSystemCacheItems() override;
    void reportNoTrashItems() override;
    void showLogsStateImage(const QString& imageName) override;
    void showSystemCacheStateImage(const QString& imageName) override;
    void showTrashStateImage(const QString& imageName) override;
    void walkEnded() override { showHeldBack(); }

private:
    enum class Kind { None, Browser, Log, SystemCache, Trash };
    void finding(Kind kind, const ScanInfo& info);
    void showHeldBack();
    void show(Kind kind, const ScanInfo& info);

    ScanReporter& m_page;
    Clock m_clock;
    std::optional<qint64> m_lastShown;
    Kind m_heldBack = Kind::None;
    ScanInfo m_latest;
};
