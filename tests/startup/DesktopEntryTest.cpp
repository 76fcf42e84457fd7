#include "startup/DesktopEntry.h"
#include "startup/ExecCommandLine.h"

#include <gtest/gtest.h>

namespace {

const QString kGroup = QStringLiteral("Desktop Entry");

std::optional<DesktopEntry> parse(const QByteArray& data, QString* reason = nullptr)
{
    return DesktopEntry::parse(data, reason);
}

// Every layer a program path crosses on its way into a file and back.
QStringList throughFile(const QStringList& arguments)
{
    DesktopEntry entry;
    entry.setValue(kGroup, QStringLiteral("Exec"), ExecCommandLine::join(arguments));
    const std::optional<DesktopEntry> read = parse(entry.toData());
    if (!read)
        return { QStringLiteral("<unparsable>") };
    return ExecCommandLine::split(read->value(kGroup, QStringLiteral("Exec")))
        .value_or(QStringList { "<unsplittable>" });
}

TEST(DesktopEntryParse, ReadsWhatDesktopsWrite)
{
    const QByteArray data = "# written by hand\r\n"
                            "\n"
                            "[Desktop Entry]\r\n"
                            "  Type = Application\n"
                            "Name=Clock\n"
                            "Name[de]=Uhr\n"
                            "Comment[sr@Latn]=x\n"
                            "Exec=\\s/opt/clock\\tx\\ny\\\\z\\;\n"
                            "X-GNOME-Autostart-enabled=true\n"
                            "\n"
                            "[Desktop Action New]\n"
                            "Name=New\n";
    QString reason;
    const std::optional<DesktopEntry> entry = parse(data, &reason);
    ASSERT_TRUE(entry) << reason.toStdString();
    EXPECT_EQ(entry->value(kGroup, "Type"), "Application");
    EXPECT_EQ(entry->value(kGroup, "Name"), "Clock");
    EXPECT_TRUE(entry->value(kGroup, "Comment").isNull());
    EXPECT_EQ(entry->value(kGroup, "Exec"), " /opt/clock\tx\ny\\z\\;");
    EXPECT_TRUE(entry->boolValue(kGroup, "X-GNOME-Autostart-enabled", false));
    EXPECT_EQ(entry->value("Desktop Action New", "Name"), "New");
    EXPECT_TRUE(entry->value(kGroup, "Missing").isNull());
}

TEST(DesktopEntryParse, RefusesWhatCouldBeReadTwoWays)
{
    const struct {
        const char* name;
        QByteArray data;
    } rows[] = {
        { "not UTF-8", "[Desktop Entry]\nExec=/opt/\xff\xfe\n" },
        { "NUL byte", QByteArray("[Desktop Entry]\nExec=/a") + '\0' + "b\n" },
        { "key before group", "Exec=/bin/true\n[Desktop Entry]\n" },
        { "repeated group", "[Desktop Entry]\nExec=/a\n[Desktop Entry]\nExec=/b\n" },
        { "repeated key", "[Desktop Entry]\nExec=/a\nExec=/b\n" },
        { "line without =", "[Desktop Entry]\nExec /bin/true\n" },
        { "open group header", "[Desktop Entry\nExec=/bin/true\n" },
        { "empty group name", "[]\nExec=/bin/true\n" },
        { "open locale", "[Desktop Entry]\nName[de=x\n" },
        { "empty key", "[Desktop Entry]\n=x\n" },
        { "key with a blank", "[Desktop Entry]\nMy Key=x\n" },
    };
    for (const auto& row : rows) {
        QString reason;
        EXPECT_FALSE(parse(row.data, &reason)) << row.name;
        EXPECT_FALSE(reason.isEmpty()) << row.name;
    }
}

TEST(DesktopEntryParse, BooleansAreSpelledExactly)
{
    const std::optional<DesktopEntry> entry = parse("[G]\nA=true\nB=false\nC=1\nD=True\n");
    ASSERT_TRUE(entry);
    EXPECT_TRUE(entry->boolValue("G", "A", false));
    EXPECT_FALSE(entry->boolValue("G", "B", true));
    EXPECT_FALSE(entry->boolValue("G", "C", false));
    EXPECT_FALSE(entry->boolValue("G", "D", false));
    EXPECT_TRUE(entry->boolValue("G", "E", true));
}

TEST(DesktopEntryValues, SurviveWritingAndReading)
{
    const QString values[] = {
        "", " leading", "trailing  ", "  ", "back\\slash", "\\s literally", "new\nline", "tab\there",
        "cr\rhere", "semi;colon", "equals=sign", "#not a comment", "[not a group]", "Übung ✓",
    };
    DesktopEntry entry;
    for (int i = 0; i < int(std::size(values)); ++i)
        entry.setValue(kGroup, QStringLiteral("K%1").arg(i), values[i]);
    const QByteArray data = entry.toData();
    EXPECT_EQ(data.count('\n'), qsizetype(std::size(values)) + 1) << "an escape let a line break through";
    const std::optional<DesktopEntry> read = parse(data);
    ASSERT_TRUE(read);
    for (int i = 0; i < int(std::size(values)); ++i)
        EXPECT_EQ(read->value(kGroup, QStringLiteral("K%1").arg(i)), values[i]) << i;
}

TEST(ExecCommandLineSplit, UndoesQuotingLikeALauncher)
{
    const struct {
        QString line;
        QStringList arguments;
    } rows[] = {
        { "/usr/bin/app", { "/usr/bin/app" } },
        { "  app   --flag\targ\n", { "app", "--flag", "arg" } },
        { R"("/opt/My App/app" --name "two words")", { "/opt/My App/app", "--name", "two words" } },
        { R"("a\"b\`c\$d\\e")", { "a\"b`c$d\\e" } },
        { R"("keep\xbackslash")", { "keep\\xbackslash" } },
        { R"(--opt="a b"c)", { "--opt=a bc" } },
        { R"(sh -c 'sleep 5; exec "x"')", { "sh", "-c", "sleep 5; exec \"x\"" } },
        { R"(a\ b)", { "a b" } },
        { R"(app "")", { "app", "" } },
        { "app 100%% %U", { "app", "100%", "%U" } },
        { R"("/opt/100%%/app")", { "/opt/100%/app" } },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ExecCommandLine::split(row.line), row.arguments) << row.line.toStdString();
}

TEST(ExecCommandLineSplit, RefusesLinesWithoutAProgram)
{
    for (const QString line : { "", "   ", R"("/opt/app)", "app 'open", R"("")" }) {
        QString reason;
        EXPECT_FALSE(ExecCommandLine::split(line, &reason)) << line.toStdString();
        EXPECT_FALSE(reason.isEmpty());
    }
}

TEST(ExecCommandLineQuote, WritesTheFormsTheFormatRequires)
{
    // Pinned as file text: the value escape doubles every backslash that quoting adds.
    const struct {
        QString path;
        QByteArray line;
    } rows[] = {
        { "/usr/bin/velmora", "Exec=/usr/bin/velmora" },
        { "/opt/My App/app", "Exec=\"/opt/My App/app\"" },
        { "/opt/a$b", "Exec=\"/opt/a\\\\$b\"" },
        { "/opt/a\\b", "Exec=\"/opt/a\\\\\\\\b\"" },
        { "/opt/say \"hi\"", "Exec=\"/opt/say \\\\\"hi\\\\\"\"" },
        { "/opt/100%", "Exec=/opt/100%%" },
        { "/opt/new\nline", "Exec=\"/opt/new\\nline\"" },
    };
    for (const auto& row : rows) {
        DesktopEntry entry;
        entry.setValue(kGroup, "Exec", ExecCommandLine::quote(row.path));
        EXPECT_TRUE(entry.toData().contains(row.line + '\n')) << entry.toData().toStdString();
    }
}

TEST(ExecCommandLineQuote, HostileArgumentsComeBackUnchanged)
{
    const QStringList hostile = {
        "/opt/My App/bin/app",
        "/opt/it's/app",
        "/opt/say \"hi\"/app",
        "/opt/$HOME/app",
        "/opt/`id`/app",
        "/opt/back\\slash/app",
        "/opt/trailing\\",
        "/opt/new\nline/app",
        "/opt/tab\there/app",
        "/opt/cr\rhere/app",
        "/opt/100%/app",
        "/opt/%f %U %%/app",
        "/opt/Übung/програма",
        "/opt/#hash/~tilde/(paren)/a;b|c&d<e>f*g?h",
        "/opt/ leading and trailing ",
        "--opt=value",
    };
    for (const QString& argument : hostile)
        EXPECT_EQ(throughFile({ argument }), QStringList { argument }) << argument.toStdString();
    // An empty word cannot be a program, but it is a valid argument.
    const QStringList line = hostile + QStringList { QString() };
    EXPECT_EQ(throughFile(line), line);
}

} // namespace
