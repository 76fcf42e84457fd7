// Figures for the Remove button on a large list: every listed path removed on
// its own, as the fix page does, once by spelling (FileSystem::removeItem) and
// once through the scanned-folders rule, which opens each folder on the way
// relative to the one before it; and one folder of the same files removed whole.
// Then a Firefox history of about 50 MB cleaned as the Remove button cleans it,
// on a private copy that then replaces the file. (The page stays responsive
// because the removal pass runs off the main thread; this prints how long that
// pass spends on the file.) "bench_removal database" runs only the latter.
// Last, how long the window stands still while the fix page itself removes
// the same files and cleans a 50 MB places.sqlite: a timer on the main thread
// asks to run every few milliseconds, and the largest gap between two of its
// runs, from the click to the closing alert, is the longest stall (the goal
// is 100 ms at most; "--fix-page" runs this part alone). Everything lives in
// temporary folders.

#include "e2e/SandboxDefinitions.h"
#include "platform/FileSystem.h"
#include "platform/FolderIdentities.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "removal/BrowserDatabaseCleaner.h"
#include "removal/BrowserDatabases.h"
#include "removal/FixPageController.h"
#include "removal/RemovalConfinement.h"
#include "results/ResultsTreeModel.h"
#include "shell/ApplicationController.h"
#include "widgets/MTUButton.h"
#include "support/Sandbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000; // 100,000 files
constexpr int kDepth = 3; // folders between the walked folder and each file's folder
constexpr qint64 kDatabaseBytes = 50 * 1000 * 1000;
constexpr int kTickMs = 5;

// Creates the files below `root` and answers their paths.
QStringList makeTree(const QString& root)
{
    QStringList paths;
    paths.reserve(kFolders * kFilesPerFolder);
    for (int f = 0; f < kFolders; ++f) {
        QString folder = root;
        for (int d = 0; d < kDepth; ++d)
            folder += QStringLiteral("/level%1").arg(d);
        folder += QStringLiteral("/folder%1").arg(f);
        QDir().mkpath(folder);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const QString path = folder + QStringLiteral("/entry%1").arg(i);
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::write(fd, "x", 1) != 1)
                std::printf("could not write %s\n", qPrintable(path));
            if (fd >= 0)
                ::close(fd);
            paths.append(path);
        }
    }
    // Otherwise the removal pays for writing back what was just created.
    ::sync();
    return paths;
}

void report(const char* what, const QElapsedTimer& timer, int failures)
{
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("  %-44s %7.0f ms, %6.1f us per path, %d not removed\n", what, ms,
        ms * 1000.0 / (kFolders * kFilesPerFolder), failures);
}

constexpr int kPages = 150000;
constexpr int kVisitsPerPage = 2;
constexpr int kBookmarkEvery = 50;

// A Firefox history grown with visited pages no bookmark keeps, which the clean removes.
void makeLargePlaces(const QString& path)
{
    BrowserDatabases::makePlaces(path);
    BrowserDatabases::execute(path, QStringLiteral("PRAGMA journal_mode=DELETE"));
    for (int first = 100; QFileInfo(path).size() < kDatabaseBytes; first += 20000) {
        BrowserDatabases::execute(path,
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                "INSERT INTO moz_places (id, url, title, visit_count, origin_id) SELECT i, "
                "'https://tracker.test/' || i || '/' || hex(randomblob(80)), 'Seen ' || i, 1, 2 "
                "FROM n; "
                "WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                "INSERT INTO moz_historyvisits (place_id, visit_date) SELECT i, 1700000000000000 + i "
                "FROM n;")
                .arg(first)
                .arg(first + 19999));
    }
}

// The fix page's Remove over the files and the database, in the real window.
void fixPageStall()
{
    Sandbox sandbox;
    useSandboxDefinitions(sandbox);
    const QStringList files = makeTree(sandbox.makeFolder("home/.cache/opera/bench"));
    const QString places = sandbox.makeFolder("home/.mozilla/firefox/bench.default") + "/places.sqlite";
    makeLargePlaces(places);
    const qint64 databaseBefore = QFileInfo(places).size();
    QDir().mkpath(sandbox.locations().resultsFolder);
    PropertyList::writeXml(QVariantMap { { QStringLiteral("Internet Cache"), QVariant(files).toList() },
                               { QStringLiteral("History"), QVariantList { places } } },
        sandbox.locations().resultsFile());
    std::printf(
        "fix page: the same files and a places.sqlite of %.1f MB, in the window\n", databaseBefore / 1e6);

    ApplicationController controller;
    controller.awakeFromNib();
    controller.window()->resize(1000, 700);
    controller.window()->show();
    FixPageController& fix = *controller.fixPageController();
    QEventLoop loop;
    QObject::connect(fix.model(), &ResultsTreeModel::sizesMeasuringFinished, &loop, &QEventLoop::quit);
    controller.showFixPage();
    if (!fix.model()->sizesMeasured())
        loop.exec();

    QElapsedTimer sinceLastTick;
    QElapsedTimer total;
    qint64 longestStall = 0;
    qint64 longestStallEnded = 0;
    qint64 clickMs = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(kTickMs);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        const qint64 stall = sinceLastTick.restart();
        if (stall > longestStall) {
            longestStall = stall;
            longestStallEnded = total.elapsed();
        }
        ++ticks;
    });
    QObject::connect(&fix, &FixPageController::removalFinished, &loop, &QEventLoop::quit);
    // Clicked from within the event loop, so the click itself counts as a stall too.
    QTimer::singleShot(kTickMs, &fix, [&] {
        QElapsedTimer click;
        click.start();
        fix.fixPageFixButton()->click();
        clickMs = click.elapsed();
    });
    total.start();
    sinceLastTick.start();
    ticker.start();
    loop.exec();
    if (sinceLastTick.elapsed() > longestStall) {
        longestStall = sinceLastTick.elapsed();
        longestStallEnded = total.elapsed();
    }
    ticker.stop();

    std::printf("  removal and clean, click to closing alert: %7lld ms\n", qlonglong(total.elapsed()));
    std::printf("  longest main-thread stall:                 %7lld ms (goal: at most 100 ms), ended %lld ms "
                "after the start\n",
        qlonglong(longestStall), qlonglong(longestStallEnded));
    std::printf("  of which the click itself:                 %7lld ms\n", qlonglong(clickMs));
    std::printf(
        "  main-thread timer runs:                    %7d (one asked for every %d ms)\n", ticks, kTickMs);
    const qsizetype left = std::count_if(
        files.cbegin(), files.cend(), [](const QString& path) { return QFileInfo::exists(path); });
    std::printf("  files left: %lld; places.sqlite %.1f MB -> %.1f MB\n", qlonglong(left),
        databaseBefore / 1e6, QFileInfo(places).size() / 1e6);
    std::printf("  alert: %s\n", qPrintable(sandbox.alerts().value(sandbox.alerts().size() - 1)));
}


bool run(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    const bool done = sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK;
    if (!done)
        std::printf("could not build the database: %s\n", error ? error : "");
    sqlite3_free(error);
    return done;
}

bool makeHistory(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const QByteArray fill = QStringLiteral(R"(
PRAGMA journal_mode = WAL;
CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL, UNIQUE (prefix, host));
CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, visit_count INTEGER DEFAULT 0,
  typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER,
  origin_id INTEGER REFERENCES moz_origins(id), recalc_frecency INTEGER NOT NULL DEFAULT 0);
CREATE INDEX moz_places_frecencyindex ON moz_places (frecency);
CREATE INDEX moz_places_lastvisitdateindex ON moz_places (last_visit_date);
CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, place_id INTEGER, visit_date INTEGER);
CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits (place_id, visit_date);
CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, PRIMARY KEY (place_id, input));
CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,
  title LONGVARCHAR, guid TEXT);
CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE, place_id INTEGER);
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)
  INSERT INTO moz_origins SELECT i, 'https://', 'site' || i || '.example' FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)
  INSERT INTO moz_places SELECT i, 'https://site' || (i % 1000 + 1) || '.example/articles/' || hex(randomblob(40)),
    'Title of page ' || i || ' ' || hex(randomblob(20)), %2, 0, 100 + i % 900, 1700000000000000 + i,
    i % 1000 + 1, 0 FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1 * %2)
  INSERT INTO moz_historyvisits SELECT i, (i - 1) / %2 + 1, 1700000000000000 + i FROM n;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1 / %3)
  INSERT INTO moz_bookmarks SELECT i, 1, i * %3, 2, 'Bookmark ' || i, printf('bookmark%04d', i) FROM n;
COMMIT;
)")
                                .arg(kPages)
                                .arg(kVisitsPerPage)
                                .arg(kBookmarkEvery)
                                .toUtf8();
    const bool built = run(db, fill.constData());
    sqlite3_close(db);
    return built;
}

// Each listed path removed on its own, then one folder of the same files.
void benchmarkRemovals(const Locations& locations, const QString& cache)
{
    std::printf("removal: %d files of 1 byte, %d folders deep below the walked folder\n",
        kFolders * kFilesPerFolder, kDepth + 1);

    QElapsedTimer timer;
    QStringList paths = makeTree(cache);
    timer.start();
    int failures = 0;
    for (const QString& path : paths)
        failures += FileSystem::current().removeItem(path) ? 0 : 1;
    report("each path, by spelling (removeItem):", timer, failures);

    paths = makeTree(cache);
    timer.restart();
    const RemovalConfinement confinement(locations);
    failures = 0;
    for (const QString& path : paths)
        failures += confinement.remove(path) == FileSystem::Beneath::Removed ? 0 : 1;
    report("each path, inside the scanned folders:", timer, failures);

    makeTree(cache);
    timer.restart();
    failures = FileSystem::current().removeItem(cache + QStringLiteral("/level0")) ? 0 : 1;
    report("one folder, by spelling (removeItem):", timer, failures);

    makeTree(cache);
    timer.restart();
    FolderIdentities kept;
    kept.insertWithAncestors(locations.home);
    failures = FileSystem::current().removeBeneath(cache, { QStringLiteral("level0") }, kept, true)
            == FileSystem::Beneath::Removed
        ? 0
        : 1;
    report("one folder, inside the scanned folders:", timer, failures);
}

// The history cleaned as the Remove button cleans it: copy, clean, compact, replace.
bool benchmarkDatabaseClean(const Locations& locations)
{
    QDir().mkpath(locations.temporaryFolder);
    const QString profile = locations.home + QStringLiteral("/.mozilla/firefox/bench.default");
    QDir().mkpath(profile);
    const QString places = profile + QStringLiteral("/places.sqlite");
    if (!makeHistory(places))
        return false;
    const qint64 before = QFileInfo(places).size();

    QElapsedTimer timer;
    timer.start();
    const bool cleaned = BrowserDatabaseCleaner::clean(
        places, RemovalConfinement(locations), BrowserDatabaseCleaner::Options::from(locations));
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("database clean: places.sqlite of %.1f MB (%d pages, %d visits, a bookmark every %d pages)\n",
        before / 1e6, kPages, kPages * kVisitsPerPage, kBookmarkEvery);
    std::printf("  %-44s %7.0f ms, %.1f MB left%s\n", "copy, clean, compact and replace:", ms,
        QFileInfo(places).size() / 1e6, cleaned ? "" : " (NOT CLEANED)");
    return cleaned;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // "--fix-page" gives the last figures alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("--fix-page"))) {
        fixPageStall();
        return 0;
    }
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::printf("no temporary folder: %s\n", qPrintable(folder.errorString()));
        return 1;
    }
    Locations locations = Locations::sandbox(folder.path());
    locations.resourcesFolder = folder.path() + QStringLiteral("/resources");
    QDir().mkpath(locations.resourcesFolder + QStringLiteral("/definitions"));
    const QString cache = locations.home + QStringLiteral("/.cache/app");
    PropertyList::writeXml(QVariantMap { { QStringLiteral("System Cache"), QVariantList { cache } } },
        locations.definitionFile(QStringLiteral("SystemCachePaths")));
    const QVariantMap firefox { { QStringLiteral("FireFox"),
        QVariantList { QStringLiteral("~/.mozilla/firefox") } } };
    PropertyList::writeXml(QVariantMap { { QStringLiteral("History"), firefox } },
        locations.definitionFile(QStringLiteral("InternetCachePaths")));
    Locations::setCurrent(locations);
    // "database" runs only the database clean, which needs no 100,000 files first.
    const bool databaseOnly = argc > 1 && qstrcmp(argv[1], "database") == 0;
    if (!databaseOnly)
        benchmarkRemovals(locations, cache);
    if (!benchmarkDatabaseClean(locations))
        return 1;
    if (!databaseOnly)
        fixPageStall();
    return 0;
}
