#pragma once

#include "scan/ScanReporter.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <ostream>
#include <vector>

class Sandbox;

// Readable failure messages for texts and lists of texts.
void PrintTo(const QString& text, std::ostream* out);

class ScanInfo;
struct ScanState;

// Points the definitions at <sandbox>/resources/definitions and writes the given ones there.
void useDefinitions(Sandbox& sandbox, const QVariantMap& internetCachePaths, const QStringList& logPaths = {},
    const QStringList& systemCachePaths = {});

// The results file as category -> paths; empty when there is none.
QMap<QString, QStringList> readResults(const QString& path);

// Each item of a fixture tree below root: "name" is a file, "name/" a folder,
// "name -> target" a symbolic link. Returns the root.
QString makeTree(const QString& root, const QStringList& items);

// Prefixes every relative path with root and "/".
QStringList under(const QString& root, const QStringList& relative);

// Keeps what the scanners report, with the counters as they were at that moment.
class RecordingReporter final : public ScanReporter {
public:
    struct Report {
        QString kind;
        QString category;
        QString description;
        int count = 0;
        int total = 0;
    };

    explicit RecordingReporter(const ScanState& state)
        : m_state(state)
    {
    }

    std::vector<Report> reports;
    QStringList images;
    // Called after each finding or visited entry is recorded; tests stop a scan from here.
    std::function<void(const Report&)> onReport;

    QStringList descriptions(const QString& kind) const;

    void reportBrowserItem(const ScanInfo& info) override;
    void reportLogEntry(const ScanInfo& info) override;
    void reportSystemCacheItem(const ScanInfo& info) override;
    void reportNoInternetCacheItems() override;
    void reportNoSystemCacheItems() override;
    void showLogsStateImage(const QString& imageName) override;
    void showSystemCacheStateImage(const QString& imageName) override;

private:
    void add(const QString& kind, const ScanInfo* info, int count);
    const ScanState& m_state;
};
