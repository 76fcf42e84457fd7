#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

// Velmora without a window: `--list`, `--scan` and `--clean`, for a terminal,
// a timer, cron or a configuration tool. What it prints is the program's own
// text in the user's language; what it does goes through the same engine as
// the window's buttons.
class CommandLine final {
public:
    enum ExitCode { Done = 0, NotAllRemoved = 1, BadUsage = 2, Refused = 3 };
    // Answered: the help or version text asked for has been written.
    enum class Mode { List, Scan, Clean, Answered };

    struct Options {
        Mode mode = Mode::List;
        QStringList categories; // keys; empty means every category
        bool json = false;
        bool dryRun = false;
        bool yes = false;
        bool forceRunningBrowsers = false;
    };

    // Where the command line reads and writes, and what it knows of them.
    struct Console {
        QTextStream& out;
        QTextStream& err;
        QTextStream& in;
        bool inputIsTerminal = false; // someone can answer a question
        bool errorIsTerminal = false; // a progress line can be redrawn
        bool graphicalSession = false; // a desktop's polkit agent may ask for the password
        QString processTableFolder = QStringLiteral("/proc");
    };

    // A category the scan lists: its key in the results file, the name shown
    // for it, and whether its paths outside the home need an administrator.
    struct Category {
        QString key;
        QString shownName;
        bool browser = false; // a running browser rewrites it
        bool privileged = false;
    };
    static QList<Category> categories();
    static std::optional<Category> category(const QString& key);

    // Whether the arguments ask for the command line rather than the window:
    // any argument at all; the desktop entry starts the window with none.
    static bool wanted(int argc, char** argv);
    // The process's own standard streams and what they are connected to.
    static int runInProcess(const QStringList& arguments);

    // Bad usage is written to the console and gives std::nullopt.
    static std::optional<Options> parse(const QStringList& arguments, Console& console);
    static int run(const QStringList& arguments, Console& console);
};
