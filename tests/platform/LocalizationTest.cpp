#include "platform/Localization.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace {

class LocalizationTest : public ::testing::Test {
protected:
    ~LocalizationTest() override { Localization::setLanguage(m_previous); }

    Sandbox sandbox;

private:
    QString m_previous = Localization::language();
};

TEST_F(LocalizationTest, GermanTableGivesItsTextAndTheDefaultForWhatItLacks)
{
    Localization::setLanguage(QStringLiteral("de"));
    EXPECT_EQ(Localization::text(QStringLiteral("MENU_QUITAPP_TITLE"), QStringLiteral("Quit %@")),
        QStringLiteral("%@ beenden"));
    EXPECT_EQ(Localization::text(QStringLiteral("NO_SUCH_KEY"), QStringLiteral("Fallback")),
        QStringLiteral("Fallback"));

    for (const QString& language : { QString(), QStringLiteral("en"), QStringLiteral("xx") }) {
        Localization::setLanguage(language);
        EXPECT_EQ(Localization::text(QStringLiteral("MENU_QUITAPP_TITLE"), QStringLiteral("Quit %@")),
            QStringLiteral("Quit %@"))
            << language.toStdString();
    }
}

// A table the user or a packager broke must leave the program in English, not crash it.
TEST_F(LocalizationTest, BrokenTablesGiveTheEnglishDefaults)
{
    Locations locations = sandbox.locations();
    locations.resourcesFolder = sandbox.path(QStringLiteral("resources"));
    sandbox.setLocations(locations);
    const QByteArray head = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    const struct {
        const char* language;
        QByteArray contents;
    } tables[] = {
        { "garbage", QByteArray("\x00\xff not a list", 14) },
        { "truncated", head + "<dict><key>GREETING</key><string>Hal" },
        { "array", head + "<array><string>Hallo</string></array></plist>" },
        { "number", head + "<dict><key>GREETING</key><integer>7</integer></dict></plist>" },
        { "folder", QByteArray() },
    };
    for (const auto& table : tables) {
        const QString file
            = QStringLiteral("resources/localization/%1.plist").arg(QLatin1String(table.language));
        if (table.contents.isEmpty())
            sandbox.makeFolder(file);
        else
            sandbox.makeFile(file, table.contents);
        Localization::setLanguage(QString::fromLatin1(table.language));
        EXPECT_EQ(
            Localization::text(QStringLiteral("GREETING"), QStringLiteral("Hello")), QStringLiteral("Hello"))
            << table.language;
    }
    // A sound entry beside an unusable one still counts.
    sandbox.makeFile(QStringLiteral("resources/localization/mixed.plist"),
        head + "<dict><key>A</key><true/><key>B</key><string>Bee</string></dict></plist>");
    Localization::setLanguage(QStringLiteral("mixed"));
    EXPECT_EQ(Localization::text(QStringLiteral("A"), QStringLiteral("a")), QStringLiteral("a"));
    EXPECT_EQ(Localization::text(QStringLiteral("B"), QStringLiteral("b")), QStringLiteral("Bee"));
}

TEST(FormatText, FillsPlaceholdersLeftToRightWithoutRescanningArguments)
{
    const struct {
        const char* format;
        QStringList arguments;
        const char* expected;
    } rows[] = {
        { "About %@", { "Velmora" }, "About Velmora" },
        { "%@ has found %d Junk Items on your system", { "Velmora", "12" },
            "Velmora has found 12 Junk Items on your system" },
        { "%d %@", { "3", "Junk Files Found!" }, "3 Junk Files Found!" },
        { "(%d Matches)", { "0" }, "(0 Matches)" },
        // What an argument brings in stays as it is: a path may hold "%@" or "%d".
        { "Last Scan On: %@", { "/tmp/%@/%d" }, "Last Scan On: /tmp/%@/%d" },
        { "%@ and %@", { "%@", "second" }, "%@ and second" },
        { "100%% of %@", { "it" }, "100% of it" },
        { "%@%@", { "a", "b" }, "ab" },
        // Too few arguments leave the place empty rather than reading past the list.
        { "%@, %@!", { "one" }, "one, !" },
        { "no placeholders", { "unused" }, "no placeholders" },
        { "trailing %", {}, "trailing %" },
        { "%s stays", {}, "%s stays" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(formatText(QString::fromUtf8(row.format), row.arguments), QString::fromUtf8(row.expected))
            << row.format;
}

} // namespace
