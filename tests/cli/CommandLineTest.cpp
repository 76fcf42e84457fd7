#include "cli/CommandLine.h"
#include "e2e/SandboxDefinitions.h"
#include "platform/UserDefaults.h"
#include "scan/ScanLock.h"
#include "scan/ScanTestSupport.h"
#include "support/FakeProcessTable.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// One run of the command line in this process, as a user's shell would start
// it: no terminal unless asked for, what it printed, and how it ended.
struct CommandLineRun {
    int exitCode = -1;
    QString out;
    QString err;

    // The process table is read from `processes`; an empty folder has no browser running.
    static CommandLineRun of(const QStringList& arguments, QString input = {}, bool terminal = false,
        const QString& processes = QStringLiteral("/nonexistent"))
    {
        CommandLineRun run;
        QTextStream out(&run.out);
        QTextStream err(&run.err);
        QTextStream in(&input);
        CommandLine::Console console { out, err, in };
        console.inputIsTerminal = terminal;
        console.processTableFolder = processes;
        run.exitCode = CommandLine::run(QStringList { QStringLiteral("velmora") } + arguments, console);
        return run;
    }
};

// What the row sets up after the scan: the scan lock taken, a browser running, or from Damaged on the
// results file, and from LockLink on the lock file, put aside and something else in its place.
enum class Given { Scanned, Locked, Browser, Damaged, Link, Missing, Fifo, Expanding, LockLink, LockFifo };

struct Row {
    const char* name;
    QStringList arguments;
    Given given;
    int exitCode;
    QStringList gone; // of the fixture's junk, by name
    const char* says; // on standard output or error; empty for nothing in particular
    QString input = {};
    bool terminal = false;
};

} // namespace

// The command line as a user runs it over a scanned home: what each command
// leaves of the junk, how it ends, and what it says.
TEST(CommandLine, EachCommandEndsAsDocumentedAndRemovesOnlyWhatItMay)
{
    const QList<Row> rows {
        { "bad usage: no command", {}, Given::Scanned, 2, {}, "Give exactly one" },
        { "bad usage: an unknown option", { "--bogus" }, Given::Scanned, 2, {}, "bogus" },
        { "bad usage: two commands", { "--list", "--scan" }, Given::Scanned, 2, {}, "" },
        { "bad usage: an option of another command", { "--scan", "--yes" }, Given::Scanned, 2, {}, "" },
        { "bad usage: an unknown category", { "--clean", "--yes", "--category", "Nope" }, Given::Scanned, 2,
            {}, "Unknown category \"Nope\"" },
        { "the categories, with those needing an administrator", { "--list" }, Given::Scanned, 0, {},
            "System Logs\tSystem Logs\tneeds an administrator\n" },
        { "a dry run names what would go and changes nothing, asked or not",
            { "--clean", "--dry-run", "--yes" }, Given::Scanned, 0, {},
            "/.mozilla/firefox/p.default-release/cookies.sqlite\n" },
        { "the scan as JSON", { "--scan", "--json" }, Given::Scanned, 0, {},
            R"("items":1,"key":"Cookies","paths":[")" },
        { "the scan's total counts a file linked into two categories once", { "--scan", "--json" },
            Given::Scanned, 0, {}, R"("total_bytes":16})" },
        { "only the named category goes", { "--clean", "--category", "Cookies", "--yes" }, Given::Scanned, 0,
            { "cookies" }, "removed the junk successfully" },
        { "everything goes but what needs an administrator nobody can be asked for", { "--clean", "--yes" },
            Given::Scanned, 1, { "cookies", "cache", "trash" }, "need an administrator" },
        { "asked once on a terminal, and answered no", { "--clean" }, Given::Scanned, 0, {},
            "Remove these 4 items? [y/N]", "n\n", true },
        { "asked once on a terminal, and answered yes", { "--clean", "--category", "Trash" }, Given::Scanned,
            0, { "trash" }, "", "y\n", true },
        { "without a terminal nobody can answer: --yes is needed", { "--clean" }, Given::Scanned, 2, {},
            "add --yes" },
        { "a running browser keeps its categories", { "--clean", "--yes" }, Given::Browser, 1, { "trash" },
            "Internet Cache is left as it is while a browser runs" },
        { "a running browser forced",
            { "--clean", "--yes", "--category", "Cookies", "--force-running-browsers" }, Given::Browser, 0,
            { "cookies" }, "" },
        { "a damaged results file is refused", { "--clean", "--yes" }, Given::Damaged, 3, {},
            "is damaged; nothing was removed" },
        { "no results file is refused", { "--clean", "--yes" }, Given::Missing, 3, {},
            "Run 'velmora --scan' first" },
        { "another Velmora scanning refuses a clean", { "--clean", "--yes" }, Given::Locked, 3, {},
            "Another Velmora is scanning" },
        { "another Velmora scanning refuses a scan", { "--scan" }, Given::Locked, 3, {},
            "Another Velmora is scanning" },
        { "results file attack: a link to a list someone else wrote", { "--clean", "--yes" }, Given::Link, 3,
            {}, "is damaged" },
        { "results file attack: a FIFO", { "--clean", "--yes" }, Given::Fifo, 3, {}, "is damaged" },
        { "results file attack: a few hundred bytes that expand past any memory", { "--clean", "--yes" },
            Given::Expanding, 3, {}, "is damaged" },
        { "scan lock attack: a link to someone's file", { "--scan" }, Given::LockLink, 0, {}, "Total: " },
        { "scan lock attack: a FIFO", { "--scan" }, Given::LockFifo, 0, {}, "Total: " },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox sandbox;
        useSandboxDefinitions(sandbox);
        const QString home = sandbox.locations().home;
        const QString varLog = QFileInfo(sandbox.locations().systemLog).path();
        const QMap<QString, QString> junk {
            { "cookies", home + "/.mozilla/firefox/p.default-release/cookies.sqlite" },
            { "cache", home + "/.cache/opera/Cache/f1" },
            { "trash", home + "/.local/share/Trash/files/old" },
            { "log", varLog + "/dpkg.log.1" },
        };
        makeTree(home,
            { ".mozilla/firefox/profiles.ini", ".mozilla/firefox/p.default-release/cookies.sqlite",
                ".cache/opera/Cache/f1", ".local/share/Trash/files/old/a",
                ".local/share/Trash/info/old.trashinfo" });
        makeTree(varLog, { "dpkg.log.1" });
        // The cached file is also in the trashed folder, under another name.
        ASSERT_EQ(::link(QFile::encodeName(junk["cache"]).constData(),
                      QFile::encodeName(home + "/.local/share/Trash/files/old/b").constData()),
            0);
        const QString canary = sandbox.makeFile("canary", "canary");
        ASSERT_EQ(CommandLineRun::of({ "--scan" }).exitCode, 0);
        const qint64 found = UserDefaults::standardUserDefaults().integerForKey("ERRORS_FOUND");

        const QString results = sandbox.locations().resultsFile();
        const QString lockFile = ScanLock::lockFile(sandbox.locations());
        const QString replaced = row.given >= Given::LockLink ? lockFile : results;
        if (row.given >= Given::Damaged) {
            ASSERT_TRUE(QFile::rename(replaced, sandbox.path("elsewhere")));
        }
        if (row.given == Given::Fifo || row.given == Given::LockFifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(replaced).constData(), 0600), 0);
        } else if (row.given == Given::Damaged) {
            QFile file(results);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("<?xml version=\"1.0\"?><plist><dict><key>Cookies</key><array><string>");
        } else if (row.given == Given::Link) {
            ASSERT_TRUE(QFile::link(sandbox.path("elsewhere"), results));
        } else if (row.given == Given::Expanding) {
            ASSERT_TRUE(QFile::copy(
                VELMORA_SOURCE_RESOURCES "/../fuzz/corpus/results_tree/shared-arrays.bin", results));
        } else if (row.given == Given::LockLink) {
            ASSERT_TRUE(QFile::link(canary, lockFile));
        }
        // Another process's lock: an flock on another open file description.
        ScanLock other;
        if (row.given == Given::Locked) {
            ASSERT_EQ(other.take(sandbox.locations()), ScanLock::State::Held);
        }
        FakeProcessTable processes(sandbox.path("proc"));
        if (row.given == Given::Browser)
            processes.add(4242, "/usr/lib/firefox-esr/firefox-esr");

        const CommandLineRun run
            = CommandLineRun::of(row.arguments, row.input, row.terminal, processes.folder());
        EXPECT_EQ(run.exitCode, row.exitCode) << qPrintable(run.out + run.err);
        if (*row.says) {
            EXPECT_TRUE((run.out + run.err).contains(QString::fromUtf8(row.says)))
                << qPrintable(run.out + run.err);
        }
        for (auto it = junk.cbegin(); it != junk.cend(); ++it)
            EXPECT_EQ(Sandbox::exists(it.value()), !row.gone.contains(it.key())) << qPrintable(it.key());
        EXPECT_EQ(QFile(canary).size(), 6);
        if (!row.gone.isEmpty() && row.gone.size() < 3) {
            // What was not cleaned is still listed, and counted by the overview.
            const QMap<QString, QStringList> left = readResults(results);
            EXPECT_FALSE(left.value("Internet Cache").isEmpty());
            EXPECT_EQ(
                UserDefaults::standardUserDefaults().integerForKey("ERRORS_FOUND"), found - row.gone.size());
        }
    }
}
