#include "startup/ExecCommandLine.h"
#include "startup/DesktopEntry.h"

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

TEST(ExecCommandLine, QuotesAsTheFormatRequires)
{
    // Pinned as file text: the value escape doubles every backslash that quoting adds.
    const struct {
        QString path;
        QByteArray line;
    } rows[] = {
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
