#include "support/QStringPrinting.h"
#include "support/SeparatingIntoLines.h"

#include <gtest/gtest.h>

// Paragraphs end at every kind of terminator; tokens are runs outside the set without leading blanks.
TEST(SeparatingIntoLines, ParagraphsAndTokens)
{
    const struct {
        QString text;
        QString set; // empty: paragraphs
        QStringList expected;
    } rows[] = {
        { "", "", {} },
        { "\n", "", { "" } },
        { "a\n\nb", "", { "a", "", "b" } },
        { "a\r\nb", "", { "a", "b" } },
        { "a\rb\r\n", "", { "a", "b" } },
        { "a\n\r\nb", "", { "a", "", "b" } },
        { "a\u2029b", "", { "a", "b" } },
        { "a\u2028b", "", { "a\u2028b" } },
        { ",a,,b,", ",", { "a", "b" } },
        { " a b ,\n c ", ",", { "a b ", "c " } },
        { ", ,", ",", {} },
        { "a\U0001F600b", "\U0001F600", { "a", "b" } },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.set.isEmpty()
                ? SeparatingIntoLines::arrayBySeparatingIntoParagraphs(row.text)
                : SeparatingIntoLines::tokensSeparatedByCharactersInSet(row.text, row.set),
            row.expected)
            << row.text.toStdString();
    }
}
