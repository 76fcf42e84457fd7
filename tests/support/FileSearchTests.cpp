#include "support/ApplicationUtility.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

// Each name is searched for among decoys that a pattern, a split word or a shell
// expansion would also take; anything the shell were tricked into running would run here.
TEST(FileSearch, FindsExactlyTheNamedEntryWhateverCharactersItHolds)
{
    Sandbox sandbox;
    const struct {
        QString name;
        QStringList decoys;
    } rows[] = {
        { "Foo", { "foo", "Foo.plist" } },
        { "It's \"quoted\"", { "It", "s" } },
        { "two  words", { "two", "words" } },
        { "line\nbreak", { "line", "break" } },
        { "$HOME", { "HOME" } },
        { "`touch ran`", { "touch ran" } },
        { "$(touch ran)", {} },
        { "-delete", { "keep" } },
        { "Foo*", { "FooBar", "Foo" } },
        { "F?o", { "Fxo" } },
        { "[ab]c", { "ac", "bc" } },
        { "back\\slash", { "backslash" } },
        { "Ünïcødé 日本", { "Unicode" } },
    };
    const QString previous = QDir::currentPath();
    QDir::setCurrent(sandbox.root());
    for (const auto& row : rows) {
        const QString folder = QStringLiteral("search%1").arg(&row - rows);
        const QString entry = sandbox.makeFile(folder + u'/' + row.name);
        for (const QString& decoy : row.decoys)
            sandbox.makeFile(folder + u'/' + decoy);
        EXPECT_EQ(ApplicationUtility::matchesForFilename(row.name, sandbox.path(folder)),
            QStringList({ entry, "" }))
            << row.name.toStdString();
        for (const QString& decoy : row.decoys)
            EXPECT_TRUE(QFileInfo::exists(sandbox.path(folder + u'/' + decoy))) << decoy.toStdString();
    }
    QDir::setCurrent(previous);
    EXPECT_FALSE(QFileInfo::exists(sandbox.path("ran")) || QFileInfo::exists(sandbox.path("touch")));

    // The folder itself counts when it bears the name; the list ends with an empty element.
    const QString foo = sandbox.makeFolder("home/Foo");
    sandbox.makeFile("home/Foo/Foo");
    EXPECT_EQ(
        ApplicationUtility::matchesForFilename("Foo", "~/Foo/"), QStringList({ foo, foo + "/Foo", "" }));
    EXPECT_EQ(ApplicationUtility::matchesForFilename("Bar", foo + "/missing"), QStringList({ "" }));
    EXPECT_TRUE(ApplicationUtility::matchesForFilename("", foo).isEmpty());
    EXPECT_TRUE(ApplicationUtility::matchesForFilename("Foo", "").isEmpty());
}
