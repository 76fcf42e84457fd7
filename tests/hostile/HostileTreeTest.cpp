#include "e2e/SandboxDefinitions.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "scan/ScanPageController.h"
#include "shell/ApplicationController.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSignalSpy>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Generated trees with names and shapes that break careless code: every case
// goes through a real scan and a removal of everything ticked, and nothing
// outside the listed paths may go.
namespace {

constexpr const char* kCache = "home/.cache/opera/Cache/Cache_Data";

class HostileTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        Localization::setLanguage(QString());
        Locations locations = sandbox.locations();
        locations.resourcesFolder = makeSandboxDefinitions(sandbox.root());
        sandbox.setLocations(locations);
        sandbox.makeFolder(QLatin1String(kCache));
    }

    QByteArray cache() const { return QFile::encodeName(sandbox.path(QLatin1String(kCache))); }

    // Scan, open the fix page with everything ticked and click Remove.
    void scanAndRemoveEverything(ApplicationController& app)
    {
        QSignalSpy scanEnded(app.scanPageController(), &ScanPageController::scanThreadFinished);
        app.scanPageController()->startScanning();
        ASSERT_TRUE(scanEnded.count() > 0 || scanEnded.wait(60000));
        QCoreApplication::processEvents();
        app.showFixPage();
        app.window()->findChild<QAbstractButton*>(QStringLiteral("fixPageFixButton"))->click();
    }

    Sandbox sandbox;
};

bool writeRaw(const QByteArray& path, const QByteArray& contents = "x")
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
    ::close(fd);
    return written;
}

bool existsRaw(const QByteArray& path)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0;
}

TEST_F(HostileTree, AwkwardNamesAreFoundAndRemovedExactly)
{
    const QList<QByteArray> names {
        "line\nbreak", "quote\"double", "quote'single", "-rf", "--", "$(touch pwned)", "back\\slash",
        "space at end ", QByteArray(255, 'n'), "tab\there",
    };
    for (const QByteArray& name : names)
        ASSERT_TRUE(writeRaw(cache() + '/' + name)) << name.constData();
    const QByteArray bystander = QFile::encodeName(sandbox.makeFile(QStringLiteral("home/.config/keep.me")));

    ApplicationController app;
    app.awakeFromNib();
    scanAndRemoveEverything(app);

    for (const QByteArray& name : names)
        EXPECT_FALSE(existsRaw(cache() + '/' + name)) << name.constData();
    EXPECT_TRUE(existsRaw(bystander));
    EXPECT_FALSE(existsRaw(QFile::encodeName(sandbox.path(QStringLiteral("home/pwned")))));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("pwned")));
}

TEST_F(HostileTree, ANameThatIsNotUtf8IsLoggedAndLeftAlone)
{
    const QByteArray latin1 = cache() + "/caf\xe9";
    ASSERT_TRUE(writeRaw(latin1));
    ASSERT_TRUE(writeRaw(cache() + "/plain"));

    ApplicationController app;
    app.awakeFromNib();
    sandbox.clearRecords();
    scanAndRemoveEverything(app);

    EXPECT_TRUE(existsRaw(latin1));
    EXPECT_FALSE(existsRaw(cache() + "/plain"));
    const QStringList lines = sandbox.logLines();
    EXPECT_TRUE(std::any_of(lines.cbegin(), lines.cend(),
        [](const QString& line) { return line.contains(QStringLiteral("is not UTF-8")); }))
        << qPrintable(lines.join(u'\n'));
}

TEST_F(HostileTree, ALinkToAFileOutsideLosesTheLinkNeverTheTarget)
{
    const QString outside = sandbox.makeFile(QStringLiteral("home/Documents/thesis.odt"), "years of work");
    const QString link = sandbox.path(QLatin1String(kCache)) + QStringLiteral("/thesis-link");
    ASSERT_TRUE(QFile::link(outside, link));
    const QString outsideFolder = sandbox.makeFolder(QStringLiteral("home/Pictures"));
    sandbox.makeFile(QStringLiteral("home/Pictures/holiday.jpg"));
    ASSERT_TRUE(QFile::link(outsideFolder, sandbox.path(QLatin1String(kCache)) + QStringLiteral("/pictures-link")));

    ApplicationController app;
    app.awakeFromNib();
    scanAndRemoveEverything(app);

    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_TRUE(QFileInfo::exists(sandbox.path(QStringLiteral("home/Pictures/holiday.jpg"))));
}

TEST_F(HostileTree, LinkLoopsAndVeryLongPathsEndTheWalk)
{
    const QByteArray root = cache();
    ASSERT_EQ(::symlink("loop-b", (root + "/loop-a").constData()), 0);
    ASSERT_EQ(::symlink("loop-a", (root + "/loop-b").constData()), 0);
    ASSERT_EQ(::symlink("..", (root + "/parent").constData()), 0);
    // Nest folders until the path is close to the 4096-byte limit of one path.
    QByteArray deep = root;
    const QByteArray step(200, 'd');
    while (deep.size() + step.size() + 1 < 4000) {
        deep += '/' + step;
        ASSERT_EQ(::mkdir(deep.constData(), 0755), 0) << deep.size();
    }
    ASSERT_TRUE(writeRaw(deep + "/deep-file"));

    ApplicationController app;
    app.awakeFromNib();
    scanAndRemoveEverything(app);

    EXPECT_FALSE(existsRaw(deep + "/deep-file"));
    EXPECT_TRUE(QFileInfo::exists(sandbox.path(QStringLiteral("home/.cache/opera"))));
}

TEST_F(HostileTree, AFileThatVanishedSinceTheScanIsLoggedAndTheRestGoes)
{
    const QString vanishing = sandbox.makeFile(QString::fromLatin1(kCache) + QStringLiteral("/vanishing"));
    const QString staying = sandbox.makeFile(QString::fromLatin1(kCache) + QStringLiteral("/ordinary"));

    ApplicationController app;
    app.awakeFromNib();
    QSignalSpy scanEnded(app.scanPageController(), &ScanPageController::scanThreadFinished);
    app.scanPageController()->startScanning();
    ASSERT_TRUE(scanEnded.count() > 0 || scanEnded.wait(60000));
    QCoreApplication::processEvents();
    app.showFixPage();
    ASSERT_TRUE(QFile::remove(vanishing));
    sandbox.clearRecords();
    app.window()->findChild<QAbstractButton*>(QStringLiteral("fixPageFixButton"))->click();

    EXPECT_FALSE(QFileInfo::exists(staying));
    EXPECT_TRUE(sandbox.logged(QStringLiteral("Cannot Remove file ") + vanishing)) << qPrintable(sandbox.logLines().join(u'\n'));
}

} // namespace
