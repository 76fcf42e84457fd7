#include "startup/ExecCommandLine.h"

#include <algorithm>

namespace {

bool isSeparator(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// The characters that oblige an argument to be quoted. The carriage return is
// not among them in the format, but a shell-style reader may take it for a
// separator, so quoting it costs nothing and removes the doubt.
bool isReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

bool isEscapableInQuotes(QChar c)
{
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

QString collapsePercentSigns(const QString& argument)
{
    QString result;
    result.reserve(argument.size());
    for (qsizetype i = 0; i < argument.size(); ++i) {
        result += argument[i];
        if (argument[i] == u'%' && i + 1 < argument.size() && argument[i + 1] == u'%')
            ++i;
    }
    return result;
}

} // namespace

std::optional<QStringList> ExecCommandLine::split(const QString& commandLine, QString* reason)
{
    const auto refuse = [reason](const QString& why) -> std::optional<QStringList> {
        if (reason)
            *reason = why;
        return std::nullopt;
    };

    QStringList arguments;
    QString current;
    bool inArgument = false;
    const qsizetype size = commandLine.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = commandLine[i];
        if (isSeparator(c)) {
            if (inArgument)
                arguments.append(collapsePercentSigns(current));
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == u'"') {
            for (++i;; ++i) {
                if (i == size)
                    return refuse(QStringLiteral("unterminated double quote"));
                if (commandLine[i] == u'"')
                    break;
                if (commandLine[i] == u'\\' && i + 1 < size && isEscapableInQuotes(commandLine[i + 1]))
                    ++i;
                current += commandLine[i];
            }
        } else if (c == u'\'') {
            const qsizetype end = commandLine.indexOf(u'\'', i + 1);
            if (end < 0)
                return refuse(QStringLiteral("unterminated single quote"));
            current += QStringView(commandLine).mid(i + 1, end - i - 1);
            i = end;
        } else if (c == u'\\' && i + 1 < size) {
            current += commandLine[++i];
        } else {
            current += c;
        }
    }
    if (inArgument)
        arguments.append(collapsePercentSigns(current));
    if (arguments.isEmpty() || arguments.front().isEmpty())
        return refuse(QStringLiteral("no program"));
    return arguments;
}

QString ExecCommandLine::quote(const QString& argument)
{
    QString literal = argument;
    literal.replace(u'%', QStringLiteral("%%"));
    if (!literal.isEmpty() && std::none_of(literal.cbegin(), literal.cend(), isReserved))
        return literal;

    QString quoted = QStringLiteral("\"");
    for (QChar c : literal) {
        if (isEscapableInQuotes(c))
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

QString ExecCommandLine::join(const QStringList& arguments)
{
    QStringList quoted;
    quoted.reserve(arguments.size());
    for (const QString& argument : arguments)
        quoted.append(quote(argument));
    return quoted.join(u' ');
}
