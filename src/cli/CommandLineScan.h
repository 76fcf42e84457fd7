#pragma once

#include "cli/CommandLine.h"
#include "cli/ResultsListing.h"
#include "scan/ScanReporter.h"
#include "scan/ScanState.h"

class FootprintWorker;

// `velmora --scan`: the window's scan, on this thread, then the report of
// what it listed, as text or as one JSON object. The scan always walks every
// category, so the results file and the overview stay whole; `--category`
// only narrows the report.
class CommandLineScan final : private ScanReporter {
public:
    CommandLineScan(const CommandLine::Options& options, CommandLine::Console& console);
    int run();

private:
    void reportBrowserItem(const ScanInfo& info) override { progress(info); }
    void reportLogEntry(const ScanInfo& info) override { progress(info); }
    void reportSystemCacheItem(const ScanInfo& info) override { progress(info); }
    void reportTrashItem(const ScanInfo& info) override { progress(info); }
    void reportNoInternetCacheItems() override { }
    void reportNoSystemCacheItems() override { }
    void reportNoTrashItems() override { }
    void showLogsStateImage(const QString&) override { }
    void showSystemCacheStateImage(const QString&) override { }
    void showTrashStateImage(const QString&) override { }
    void progress(const ScanInfo& info);
    void report(const ResultsListing& listing, FootprintWorker& footprints);

    const CommandLine::Options& m_options;
    CommandLine::Console& m_console;
    ScanState m_state;
};
