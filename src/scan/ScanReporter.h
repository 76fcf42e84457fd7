#pragma once

#include <QString>

class ScanInfo;

// How the scanners tell the page what they found. Every call returns only
// when the page has shown it, so a record may be reused once a call returns;
// the two state-image calls need not wait.
class ScanReporter {
public:
    virtual ~ScanReporter() = default;

    virtual void reportBrowserItem(const ScanInfo& info) = 0;
    virtual void reportLogEntry(const ScanInfo& info) = 0;
    virtual void reportSystemCacheItem(const ScanInfo& info) = 0;
    virtual void reportNoInternetCacheItems() = 0;
    virtual void reportNoSystemCacheItems() = 0;

    virtual void showLogsStateImage(const QString& imageName) = 0;
    virtual void showSystemCacheStateImage(const QString& imageName) = 0;
};
