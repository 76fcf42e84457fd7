#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The command line of a desktop entry's Exec key, after the value escapes
// have been undone. Three layers sit on top of each other in such a line:
// value escapes (DesktopEntry), argument quoting, and field codes ("%f",
// with "%%" for a literal percent sign). A program path must pass through
// all three unchanged, or the desktop starts something else at login.
class ExecCommandLine final {
public:
    ExecCommandLine() = delete;

    // The arguments, unquoted, with "%%" turned into "%"; other field codes are
    // left as written. Besides the double quotes the format defines, single
    // quotes and backslashes outside quotes are read as the shell reads them,
    // because desktops launch entries written that way. std::nullopt, with the
    // reason, for an unterminated quote or a line without a program.
    static std::optional<QStringList> split(const QString& commandLine, QString* reason = nullptr);

    // One argument as it must be written so that split() gives it back:
    // percent signs doubled, and double-quoted (with " ` $ \ escaped) when it
    // holds a reserved character or is empty.
    static QString quote(const QString& argument);
    static QString join(const QStringList& arguments);
};
