#include "support/ApplicationUtility.h"
#include "support/QStringPrinting.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QPixmap>
#include <QTextDocument>

namespace {

class FileSearchTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

} // namespace

TEST_F(FileSearchTest, FindsExactlyTheNamedEntryWhateverCharactersItHolds)
{
    const struct {
        QString name;
        QStringList decoys; // entries a pattern or a split word would also take
    } cases[] = {
        { QStringLiteral("Foo"), { QStringLiteral("foo"), QStringLiteral("Foo.plist") } },
        { QStringLiteral("It's \"quoted\""), { QStringLiteral("It"), QStringLiteral("s") } },
        { QStringLiteral("two  words"), { QStringLiteral("two"), QStringLiteral("words") } },
        { QStringLiteral("line\nbreak"), { QStringLiteral("line"), QStringLiteral("break") } },
        { QStringLiteral("$HOME"), { QStringLiteral("HOME") } },
        { QStringLiteral("`touch ran`"), { QStringLiteral("touch ran") } },
        { QStringLiteral("$(touch ran)"), {} },
        { QStringLiteral("-delete"), { QStringLiteral("keep") } },
        { QStringLiteral("Foo*"), { QStringLiteral("FooBar"), QStringLiteral("Foo") } },
        { QStringLiteral("F?o"), { QStringLiteral("Fxo") } },
        { QStringLiteral("[ab]c"), { QStringLiteral("ac"), QStringLiteral("bc") } },
        { QStringLiteral("back\\slash"), { QStringLiteral("backslash") } },
        { QStringLiteral("Ünïcødé 日本"), { QStringLiteral("Unicode") } },
    };
    // Anything the shell were tricked into running would run here.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(sandbox.root());
    for (const auto& c : cases) {
        const QString folder = sandbox.makeFolder(QStringLiteral("search%1").arg(&c - cases));
        const QString entry = sandbox.makeFile(QFileInfo(folder).fileName() + u'/' + c.name);
        for (const QString& decoy : c.decoys)
            sandbox.makeFile(QFileInfo(folder).fileName() + u'/' + decoy);

        EXPECT_EQ(ApplicationUtility::matchesForFilename(c.name, folder), QStringList({ entry, QString() }))
            << c.name.toStdString();
        for (const QString& decoy : c.decoys)
            EXPECT_TRUE(QFileInfo::exists(folder + u'/' + decoy)) << decoy.toStdString();
    }
    QDir::setCurrent(previous);
    EXPECT_FALSE(QFileInfo::exists(sandbox.path(QStringLiteral("ran"))));
    EXPECT_FALSE(QFileInfo::exists(sandbox.path(QStringLiteral("touch"))));
}

TEST_F(FileSearchTest, LogsTheCommandAndEndsWithTheEmptyElement)
{
    const QString folder = sandbox.makeFolder(QStringLiteral("home/prefs"));
    sandbox.makeFile(QStringLiteral("home/prefs/Foo"));

    EXPECT_EQ(ApplicationUtility::matchesForFilename(QStringLiteral("Foo"), QStringLiteral("~/prefs/")),
        QStringList({ folder + QStringLiteral("/Foo"), QString() }));
    EXPECT_EQ(sandbox.logLines(),
        QStringList({ QStringLiteral("command = find '%1' -name 'Foo' -maxdepth 1").arg(folder) }));

    EXPECT_EQ(
        ApplicationUtility::matchesForFilename(QStringLiteral("Bar"), folder), QStringList({ QString() }));
    EXPECT_EQ(
        ApplicationUtility::matchesForFilename(QStringLiteral("Bar"), folder + QStringLiteral("/missing")),
        QStringList({ QString() }));

    sandbox.clearRecords();
    EXPECT_TRUE(ApplicationUtility::matchesForFilename(QString(), folder).isEmpty());
    EXPECT_TRUE(ApplicationUtility::matchesForFilename(QStringLiteral("Foo"), QString()).isEmpty());
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}

TEST_F(FileSearchTest, ReportsTheFolderItselfWhenItBearsTheName)
{
    const QString folder = sandbox.makeFolder(QStringLiteral("Foo"));
    const QString inside = sandbox.makeFile(QStringLiteral("Foo/Foo"));
    EXPECT_EQ(ApplicationUtility::matchesForFilename(QStringLiteral("Foo"), folder),
        QStringList({ folder, inside, QString() }));
}

TEST(InlineImageLabel, IsTheImageFollowedByTheTextVerbatim)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::red);
    const QIcon icon(pixmap);
    for (const QString& text : { QStringLiteral("   Foo"), QStringLiteral("<b>A & B</b>  ") }) {
        QTextDocument label;
        label.setHtml(ApplicationUtility::updatedString(text, icon));
        EXPECT_EQ(label.toPlainText(), QChar(QChar::ObjectReplacementCharacter) + text);
    }
}
