#include "platform/Localization.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace {

// The shipped German table where a row names no contents; a table the user or
// a packager broke must leave the program in English, not crash it.
TEST(Localization, TextComesFromTheLanguagesTableElseTheEnglishDefault)
{
    Sandbox sandbox;
    const QByteArray head = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    const struct {
        const char* language;
        std::optional<QByteArray> table; // nullopt: shipped; empty: a folder in its place
        const char* key;
        const char* expected;
    } rows[] = {
        { "de", std::nullopt, "MENU_QUITAPP_TITLE", "%@ beenden" },
        { "de", std::nullopt, "NO_SUCH_KEY", "default" },
        { "", std::nullopt, "MENU_QUITAPP_TITLE", "default" },
        { "xx", std::nullopt, "MENU_QUITAPP_TITLE", "default" },
        { "garbage", QByteArray("\x00\xff not a list", 14), "GREETING", "default" },
        { "truncated", head + "<dict><key>GREETING</key><string>Hal", "GREETING", "default" },
        { "array", head + "<array><string>Hallo</string></array></plist>", "GREETING", "default" },
        { "number", head + "<dict><key>GREETING</key><integer>7</integer></dict></plist>", "GREETING",
            "default" },
        { "folder", QByteArray(), "GREETING", "default" },
        // A sound entry beside an unusable one still counts.
        { "mixed", head + "<dict><key>A</key><true/><key>B</key><string>Bee</string></dict></plist>", "B",
            "Bee" },
        { "mixed", std::nullopt, "A", "default" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.language) + " " + row.key);
        if (row.table) {
            Locations locations = sandbox.locations();
            locations.resourcesFolder = sandbox.path("resources");
            sandbox.setLocations(locations);
            const QString file
                = QStringLiteral("resources/localization/%1.plist").arg(QLatin1String(row.language));
            row.table->isEmpty() ? sandbox.makeFolder(file) : sandbox.makeFile(file, *row.table);
        }
        Localization::setLanguage(QString::fromLatin1(row.language));
        EXPECT_EQ(Localization::text(QLatin1String(row.key), QStringLiteral("default")),
            QString::fromUtf8(row.expected));
    }
}

TEST(Localization, FormatsFillPlaceholdersInOrderAndSizesFollowTheLocale)
{
    // What an argument brings in stays as it is: a path may hold "%@" or "%d".
    EXPECT_EQ(formatText("%@ and %d: 100%% %s %", { "/tmp/%@/%d", "2" }), "/tmp/%@/%d and 2: 100% %s %");
    // Too few arguments leave the place empty rather than reading past the list.
    EXPECT_EQ(formatText("%@, %@!", { "one" }), "one, !");
    // A title's last word never stands alone on a line; a one-word title stays as it is.
    EXPECT_EQ(QStringList({ withoutWidow("Remove these now!"), withoutWidow("Remove") }),
        QStringList({ QString("Remove these") + QChar::Nbsp + "now!", "Remove" }));

    // One size format, singular for one byte, in the user's locale.
    const Sandbox sandbox;
    const QLocale locale;
    const auto sizes = [] {
        return QStringList({ formattedSize(-1), formattedSize(1), formattedSize(1200) });
    };
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(sizes(), QStringList({ "", "1 byte", "1.2 kB" }));
    Localization::setLanguage("de");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(sizes(), QStringList({ "", "1 Byte", "1,2 kB" }));
    QLocale::setDefault(locale);
}

} // namespace
