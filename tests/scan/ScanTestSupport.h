#pragma once

#include "scan/ScanInfo.h"
#include "scan/ScanReporter.h"
#include "support/QStringPrinting.h"

#include <QMap>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <vector>

class Sandbox;
struct ScanState;

// Points the definitions at <sandbox>/resources/definitions and writes these there.
void useDefinitions(Sandbox& sandbox, const QVariantMap& internetCachePaths, const QStringList& logPaths = {},
    const QStringList& systemCachePaths = {});
// The results file as category -> paths; empty when there is none.
QMap<QString, QStringList> readResults(const QString& path);
// Below root: "name" is a file, "name/" a folder, "name -> target" a symbolic
// link, "name = text" a file holding the text. Returns root.
QString makeTree(const QString& root, const QStringList& items);
// root + "/" + each relative path.
QStringList under(const QString& root, const QStringList& relative);

// Keeps what the scanners report, images among them, with the total as it was at that moment.
class RecordingReporter final : public ScanReporter {
public:
    struct Report {
        QString kind; // "browser", "log", "systemCache", "trash", "noInternetCache", "noSystemCache",
                      // "noTrash", "logsImage", "cacheImage" or "trashImage"
        QString category;
        QString description; // an image's name
        int total = 0;
    };
    explicit RecordingReporter(const ScanState& state)
        : m_state(state)
    {
    }

    std::vector<Report> reports;
    // What the reports of one kind described, in order.
    QStringList descriptions(const QString& kind) const;
    std::function<void(const Report&)> onReport; // tests stop a scan from here

private:
    void add(const QString& kind, const QString& category = {}, const QString& description = {});
    void found(const QString& kind, const ScanInfo& info)
    {
        add(kind, info.getCategory(), info.getDescription());
    }
    void reportBrowserItem(const ScanInfo& info) override { found("browser", info); }
    void reportLogEntry(const ScanInfo& info) override { found("log", info); }
    void reportSystemCacheItem(const ScanInfo& info) override { found("systemCache", info); }
    void reportTrashItem(const ScanInfo& info) override { found("trash", info); }
    void reportNoInternetCacheItems() override { add("noInternetCache"); }
    void reportNoSystemCacheItems() override { add("noSystemCache"); }
    void reportNoTrashItems() override { add("noTrash"); }
    void showLogsStateImage(const QString& name) override { add("logsImage", {}, name); }
    void showSystemCacheStateImage(const QString& name) override { add("cacheImage", {}, name); }
    void showTrashStateImage(const QString& name) override { add("trashImage", {}, name); }

    const ScanState& m_state;
};
