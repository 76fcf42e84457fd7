#include "startup/DesktopEntry.h"
#include "startup/ExecCommandLine.h"

#include <gtest/gtest.h>

namespace {

const QString kGroup = QStringLiteral("Desktop Entry");

// Every layer a program path crosses on its way into a file and back.
std::optional<QStringList> throughFile(const QStringList& arguments)
{
    DesktopEntry entry;
    entry.setValue(kGroup, "Exec", ExecCommandLine::join(arguments));
    const std::optional<DesktopEntry> read = DesktopEntry::parse(entry.toData());
    return read ? ExecCommandLine::split(read->value(kGroup, "Exec")) : std::nullopt;
}

TEST(DesktopEntry, ReadsWhatDesktopsWriteAndRefusesWhatIsAmbiguous)
{
    const std::optional<DesktopEntry> entry = DesktopEntry::parse(
        "# by hand\r\n\n[Desktop Entry]\r\n  Type = Application\nName=Clock\nName[de]=Uhr\n"
        "Comment[sr@Latn]=x\nExec=\\s/opt/a\\tb\\nc\\\\d\\;\n[Other]\nName=O\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value(kGroup, "Type"), "Application");
    EXPECT_EQ(entry->value(kGroup, "Name"), "Clock");
    EXPECT_TRUE(entry->value(kGroup, "Comment").isNull());
    EXPECT_EQ(entry->value(kGroup, "Exec"), " /opt/a\tb\nc\\d\\;");
    EXPECT_EQ(entry->value("Other", "Name"), "O");

    const QByteArray refused[] = {
        "[Desktop Entry]\nExec=/opt/\xff\n",
        QByteArray("[Desktop Entry]\nExec=/a") + '\0' + "\n",
        "Exec=/a\n[Desktop Entry]\n",
        "[Desktop Entry]\n[Desktop Entry]\n",
        "[Desktop Entry]\nExec=/a\nExec=/b\n",
        "[Desktop Entry]\nExec /a\n",
        "[Desktop Entry\n",
        "[Desktop Entry]\nName[de=x\n",
    };
    for (const QByteArray& data : refused) {
        QString reason;
        EXPECT_FALSE(DesktopEntry::parse(data, &reason)) << data.toStdString();
        EXPECT_FALSE(reason.isEmpty());
    }
}

TEST(ExecCommandLine, SplitsLikeALauncher)
{
    const struct {
        QString line;
        std::optional<QStringList> arguments;
    } rows[] = {
        { "  app   --flag\targ\n", QStringList { "app", "--flag", "arg" } },
        { R"("/opt/My App/app" --name "two")", QStringList { "/opt/My App/app", "--name", "two" } },
        { R"("a\"b\`c\$d\\e\x")", QStringList { "a\"b`c$d\\e\\x" } },
        { R"(--opt="a b"c a\ b)", QStringList { "--opt=a bc", "a b" } },
        { R"(sh -c 'sleep 5; exec "x"' "")", QStringList { "sh", "-c", "sleep 5; exec \"x\"", "" } },
        { R"("/opt/100%%" 1%% %U)", QStringList { "/opt/100%", "1%", "%U" } },
        { "   ", std::nullopt },
        { R"("/opt/app)", std::nullopt },
        { "app 'open", std::nullopt },
        { R"("" app)", std::nullopt },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ExecCommandLine::split(row.line), row.arguments) << row.line.toStdString();
}

TEST(ExecCommandLine, QuotesAsTheFormatRequires)
{
    // Pinned as file text: the value escape doubles every backslash that quoting adds.
    const struct {
        QString path;
        QByteArray line;
    } rows[] = {
        { "/usr/bin/velmora", "Exec=/usr/bin/velmora\n" },
        { "/opt/My App/app", "Exec=\"/opt/My App/app\"\n" },
        { "/opt/a$b", "Exec=\"/opt/a\\\\$b\"\n" },
        { "/opt/a\\b", "Exec=\"/opt/a\\\\\\\\b\"\n" },
        { "/opt/100%", "Exec=/opt/100%%\n" },
        { "/opt/new\nline", "Exec=\"/opt/new\\nline\"\n" },
    };
    for (const auto& row : rows) {
        DesktopEntry entry;
        entry.setValue(kGroup, "Exec", ExecCommandLine::quote(row.path));
        EXPECT_TRUE(entry.toData().contains(row.line)) << entry.toData().toStdString();
    }

    const QStringList hostile = { "/opt/My App/app", "/opt/it's", "/opt/say \"hi\"", "/opt/$HOME/`id`",
        "/opt/back\\slash", "/opt/trailing\\", "/opt/new\nline", "/opt/tab\tcr\r", "/opt/100%",
        "/opt/%f %U %%", "/opt/Übung/програма", "/opt/#~()/a;b|c&d<e>f*g?h", "/opt/ padded ", "--opt=value" };
    for (const QString& argument : hostile)
        EXPECT_EQ(throughFile({ argument }), QStringList { argument }) << argument.toStdString();
    // An empty word cannot be a program, but it is a valid argument.
    const QStringList line = hostile + QStringList { QString() };
    EXPECT_EQ(throughFile(line), line);
}

} // namespace
