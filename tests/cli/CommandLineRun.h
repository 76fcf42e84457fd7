#pragma once

#include "cli/CommandLine.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

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
