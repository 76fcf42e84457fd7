#pragma once

#include <QStringView>

// Adds up perUnit(u) over every UTF-16 unit of a text. The scan asks this of
// every path it finds, more than once; GCC at -O2 vectorises only loops whose
// trip count it knows, so the text is taken in fixed blocks of 16 units, each
// of which becomes two wide steps, and only the tail goes one unit at a time.
// perUnit must be free of branches for the blocks to be taken wide.
template <typename PerUnit> qint64 sumOverUnits(QStringView text, PerUnit perUnit)
{
    constexpr qsizetype kBlock = 16;
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    qint64 total = 0;
    qsizetype i = 0;
    for (; i + kBlock <= size; i += kBlock) {
        unsigned block = 0;
        for (qsizetype j = 0; j < kBlock; ++j)
            block += perUnit(units[i + j]);
        total += block;
    }
    for (; i < size; ++i)
        total += perUnit(units[i]);
    return total;
}
