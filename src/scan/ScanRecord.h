#pragma once

struct Locations;

// What the overview reads about the last scan and removal: the stored times
// and the number of junk items found. The window and the command line keep
// it the same way, so the overview tells the truth whichever ran.
class ScanRecord final {
public:
    ScanRecord() = delete;

    // A scan starts: the old results and both times go.
    static void scanStarting(const Locations& locations);
    static void scanEnded(int itemsFound);
    // A removal has ended; `itemsLeft` junk items are still listed.
    static void removalEnded(int itemsLeft);
};
