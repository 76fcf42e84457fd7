#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Splitting text into tokens and paragraphs, as a string scanner and the
// paragraph rules of rich text do.
class SeparatingIntoLines final {
public:
    SeparatingIntoLines() = delete;

    // The maximal runs of characters outside `separators` (every code point of
    // that text belongs to the set), in order. White space and line breaks in
    // front of a token are skipped, those inside or after it are kept; no
    // token is empty.
    static QStringList tokensSeparatedByCharactersInSet(QStringView text, QStringView separators);

    // The paragraphs without their terminators: LF, CR, CR LF or U+2029.
    // A terminator at the very end opens no further paragraph.
    static QStringList arrayBySeparatingIntoParagraphs(QStringView text);
};
