#include "support/SeparatingIntoLines.h"

namespace {

// Reads one code point at `position` and moves past it; a surrogate pair is
// one character of a set, as the platform's character sets see it.
char32_t readCodePoint(QStringView text, qsizetype& position)
{
    const QChar first = text[position++];
    if (first.isHighSurrogate() && position < text.size() && text[position].isLowSurrogate())
        return QChar::surrogateToUcs4(first, text[position++]);
    return first.unicode();
}

bool belongsTo(char32_t c, QStringView set)
{
    for (qsizetype i = 0; i < set.size();) {
        if (readCodePoint(set, i) == c)
            return true;
    }
    return false;
}

// Advances past the characters that satisfy `test`; returns where it stopped.
template <typename Test> qsizetype skipWhile(QStringView text, qsizetype position, Test test)
{
    while (position < text.size()) {
        qsizetype next = position;
        if (!test(readCodePoint(text, next)))
            break;
        position = next;
    }
    return position;
}

} // namespace

QStringList SeparatingIntoLines::tokensSeparatedByCharactersInSet(QStringView text, QStringView separators)
{
    const auto isSkipped = [](char32_t c) { return QChar::isSpace(c); };
    const auto isSeparator = [separators](char32_t c) { return belongsTo(c, separators); };
    const auto isTokenPart = [separators](char32_t c) { return !belongsTo(c, separators); };

    QStringList tokens;
    qsizetype position = 0;
    while (position < text.size()) {
        // Like a scanner, each read first passes over white space, then takes its run.
        position = skipWhile(text, skipWhile(text, position, isSkipped), isSeparator);
        const qsizetype start = skipWhile(text, position, isSkipped);
        position = skipWhile(text, start, isTokenPart);
        if (position > start)
            tokens.append(text.sliced(start, position - start).toString());
    }
    return tokens;
}

QStringList SeparatingIntoLines::arrayBySeparatingIntoParagraphs(QStringView text)
{
    QStringList paragraphs;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r' && text[end] != QChar(0x2029))
            ++end;
        paragraphs.append(text.sliced(start, end - start).toString());
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return paragraphs;
}
