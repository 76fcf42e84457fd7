#pragma once

#include <atomic>

// The flags and counters one scan shares between the page and the scan
// thread. The flags are written by the main thread and polled by the scan
// thread; the counters are written by the scan thread only. Atomics, so that
// a Stop click is seen at once and a count read after a cancelled scan, while
// its thread is still winding down, is never torn.
struct ScanState final {
    std::atomic<bool> bScanning { false };
    std::atomic<bool> scanCancelled { false };
    std::atomic<int> nLogsCount { 0 };
    std::atomic<int> nCacheCount { 0 };
    std::atomic<int> nTotalErrorsCount { 0 };
    std::atomic<int> nSystemCacheCount { 0 };
    std::atomic<int> nTrashCount { 0 };

    void resetCounters()
    {
        nLogsCount = 0;
        nCacheCount = 0;
        nTotalErrorsCount = 0;
        nSystemCacheCount = 0;
        nTrashCount = 0;
    }
};
