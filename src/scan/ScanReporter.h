#pragma once

#include <QString>

class ScanInfo;

// How the scanners tell the page what they found. A record may be reused as
// soon as a call returns: the page has shown it, or a copy is kept of a
// finding held back for later. The two state-image calls need not wait.
class ScanReporter {
public:
    virtual ~ScanReporter() = default;

    virtual void reportBrowserItem(const ScanInfo& info) = 0;
    virtual void reportLogEntry(const ScanInfo& info) = 0;
    virtual void reportSystemCacheItem(const ScanInfo& info) = 0;
    virtual void reportTrashItem(const ScanInfo& info) = 0;
    virtual void reportNoInternetCacheItems() = 0;
    virtual void reportNoSystemCacheItems() = 0;
    virtual void reportNoTrashItems() = 0;

    virtual void showLogsStateImage(const QString& imageName) = 0;
    virtual void showSystemCacheStateImage(const QString& imageName) = 0;
    virtual void showTrashStateImage(const QString& imageName) = 0;

    // One walk below one root is over: a reporter that holds findings back
    // shows the last one now, so the page ends every walk on its exact count.
    virtual void walkEnded() { }
};
