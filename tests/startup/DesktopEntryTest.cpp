#include "startup/DesktopEntry.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QFile>
#include <sys/stat.h>

// Another program's entry file can be swapped for anything after it was
// listed: only a regular file of sane size, named without a link, is read.
TEST(DesktopEntry, ReadsOnlyARegularFileOfSaneSizeNeverBlocking)
{
    Sandbox sandbox;
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=A\nExec=a\n";
    const QString plain = sandbox.makeFile("plain.desktop", entry);
    QFile::link(plain, sandbox.path("link.desktop"));
    sandbox.makeFile("huge.desktop", entry + "Comment=" + QByteArray(DesktopEntry::kMaxFileSize, 'x') + '\n');
    ASSERT_EQ(::mkfifo(QFile::encodeName(sandbox.path("pipe.desktop")).constData(), 0600), 0);
    const std::pair<const char*, bool> cases[] = { { "plain.desktop", true }, { "link.desktop", false },
        { "huge.desktop", false }, { "pipe.desktop", false } };
    for (const auto& [name, read] : cases)
        EXPECT_EQ(DesktopEntry::read(sandbox.path(name)).has_value(), read) << name;
}
