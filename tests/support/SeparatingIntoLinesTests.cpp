#include "support/SeparatingIntoLines.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    QString text;
    QStringList expected;
};

} // namespace

TEST(SeparatingIntoLines, ParagraphsEndAtEveryKindOfTerminator)
{
    const QString separator(QChar(0x2029));
    const Case cases[] = {
        { QString(), {} },
        { QStringLiteral("a\n"), { QStringLiteral("a") } },
        { QStringLiteral("a\n\nb"), { QStringLiteral("a"), QString(), QStringLiteral("b") } },
        { QStringLiteral("a\r\nb"), { QStringLiteral("a"), QStringLiteral("b") } },
        { QStringLiteral("a\rb\r\n"), { QStringLiteral("a"), QStringLiteral("b") } },
        { QStringLiteral("a\n\r\nb"), { QStringLiteral("a"), QString(), QStringLiteral("b") } },
        { QStringLiteral("a") + separator + QStringLiteral("b"),
            { QStringLiteral("a"), QStringLiteral("b") } },
        { QStringLiteral("\n"), { QString() } },
        { QStringLiteral("a\u2028b"), { QStringLiteral("a\u2028b") } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(SeparatingIntoLines::arrayBySeparatingIntoParagraphs(c.text), c.expected)
            << c.text.toStdString();
}

TEST(SeparatingIntoLines, TokensAreRunsOutsideTheSetWithoutLeadingBlanks)
{
    const QString emoji = QStringLiteral("\U0001F600");
    const struct {
        QString text;
        QString set;
        QStringList expected;
    } cases[] = {
        { QStringLiteral(",a,,b,"), QStringLiteral(","), { QStringLiteral("a"), QStringLiteral("b") } },
        { QStringLiteral("x, y"), QStringLiteral(","), { QStringLiteral("x"), QStringLiteral("y") } },
        { QStringLiteral(" a b ,\n c "), QStringLiteral(","),
            { QStringLiteral("a b "), QStringLiteral("c ") } },
        { QStringLiteral(", ,"), QStringLiteral(","), {} },
        { QString(), QStringLiteral(","), {} },
        { QStringLiteral("a b\tc"), QStringLiteral(" \t"),
            { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") } },
        { QStringLiteral("a") + emoji + QStringLiteral("b"), emoji,
            { QStringLiteral("a"), QStringLiteral("b") } },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SeparatingIntoLines::tokensSeparatedByCharactersInSet(c.text, c.set), c.expected)
            << c.text.toStdString();
    }
}
