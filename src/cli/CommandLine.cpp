#include "cli/CommandLine.h"

#include "cli/CommandLineClean.h"
#include "cli/CommandLineScan.h"
#include "platform/Localization.h"
#include "results/SimpleTreeNode.h"

#include <QCommandLineParser>
#include <QTextStream>

#include <algorithm>

#include <unistd.h>

namespace {

struct CategoryName {
    const char* key;
    const char* textKey;
    const char* english;
    bool browser;
};

// In the order the scan page walks them.
constexpr CategoryName kCategories[] = {
    { "Internet Cache", "CATEGORY_INTERNET_CACHE", "Internet Cache", true },
    { "Cookies", "CATEGORY_COOKIES", "Cookies", true },
    { "History", "CATEGORY_HISTORY", "History", true },
    { "Downloads List", "CATEGORY_DOWNLOADS_LIST", "Downloads List", true },
    { "Form Values", "CATEGORY_FORM_VALUES", "Form Values", true },
    { "Page Icons", "CATEGORY_PAGE_ICONS", "Page Icons", true },
    { "UserLibraryLogs", "CATEGORY_USER_LOGS", "User Logs", false },
    { "System Library Logs", "CATEGORY_APPLICATION_LOGS", "Application Logs", false },
    { "System Logs", "CATEGORY_SYSTEM_LOGS", "System Logs", false },
    { "System Cache", "CATEGORY_SYSTEM_CACHE", "System Cache", false },
    { "Trash", "CATEGORY_TRASH", "Trash", false },
};

int badUsage(CommandLine::Console& console, const QString& message)
{
    console.err << "velmora: " << message << '\n'
                << Localization::text(QStringLiteral("CLI_SEE_HELP"), QStringLiteral("Try 'velmora --help'."))
                << Qt::endl;
    return CommandLine::BadUsage;
}

int list(CommandLine::Console& console)
{
    const QString administrator = Localization::text(
        QStringLiteral("CLI_NEEDS_ADMINISTRATOR"), QStringLiteral("needs an administrator"));
    for (const CommandLine::Category& category : CommandLine::categories())
        console.out << category.key << '\t' << category.shownName << '\t'
                    << (category.privileged ? administrator : QString()) << '\n';
    console.out.flush();
    return CommandLine::Done;
}

} // namespace

QList<CommandLine::Category> CommandLine::categories()
{
    QList<Category> categories;
    for (const CategoryName& name : kCategories) {
        const QString key = QString::fromLatin1(name.key);
        categories.append(
            { key, Localization::text(QString::fromLatin1(name.textKey), QString::fromLatin1(name.english)),
                name.browser, SimpleTreeNode::isPrivilegedCategory(key) });
    }
    return categories;
}

std::optional<CommandLine::Category> CommandLine::category(const QString& key)
{
    const QList<Category> all = categories();
    const auto found = std::find_if(
        all.cbegin(), all.cend(), [&](const Category& category) { return category.key == key; });
    return found == all.cend() ? std::nullopt : std::optional(*found);
}

bool CommandLine::wanted(int argc, char** /*argv*/)
{
    return argc > 1;
}

int CommandLine::runInProcess(const QStringList& arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    Console console { out, err, in };
    console.inputIsTerminal = ::isatty(STDIN_FILENO) == 1;
    console.errorIsTerminal = ::isatty(STDERR_FILENO) == 1;
    console.graphicalSession
        = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return run(arguments, console);
}

std::optional<CommandLine::Options> CommandLine::parse(const QStringList& arguments, Console& console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(Localization::text(QStringLiteral("CLI_DESCRIPTION"),
        QStringLiteral("Find and remove junk files. Without options the window opens.")));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption listOption(QStringLiteral("list"),
        Localization::text(
            QStringLiteral("CLI_OPTION_LIST"), QStringLiteral("List the categories Velmora knows.")));
    const QCommandLineOption scanOption(QStringLiteral("scan"),
        Localization::text(
            QStringLiteral("CLI_OPTION_SCAN"), QStringLiteral("Scan for junk and report what was found.")));
    const QCommandLineOption cleanOption(QStringLiteral("clean"),
        Localization::text(
            QStringLiteral("CLI_OPTION_CLEAN"), QStringLiteral("Remove what the last scan found.")));
    const QCommandLineOption categoryOption(QStringLiteral("category"),
        Localization::text(
            QStringLiteral("CLI_OPTION_CATEGORY"), QStringLiteral("Only this category (repeatable).")),
        QStringLiteral("KEY"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
        Localization::text(
            QStringLiteral("CLI_OPTION_JSON"), QStringLiteral("Report the scan as one JSON object.")));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
        Localization::text(QStringLiteral("CLI_OPTION_DRY_RUN"),
            QStringLiteral("Show what would be removed; change nothing.")));
    const QCommandLineOption yesOption(QStringLiteral("yes"),
        Localization::text(QStringLiteral("CLI_OPTION_YES"), QStringLiteral("Remove without asking.")));
    const QCommandLineOption forceOption(QStringLiteral("force-running-browsers"),
        Localization::text(QStringLiteral("CLI_OPTION_FORCE"),
            QStringLiteral("Clean the browser categories even while a browser runs.")));
    parser.addOptions({ listOption, scanOption, cleanOption, categoryOption, jsonOption, dryRunOption,
        yesOption, forceOption });
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();

    if (!parser.parse(arguments)) {
        badUsage(console, parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(helpOption) || parser.isSet(versionOption)) {
        // Asked for, so on standard output; never the process-ending showHelp().
        console.out << (parser.isSet(helpOption)
                ? parser.helpText()
                : QStringLiteral("velmora %1\n").arg(QStringLiteral(VELMORA_VERSION)));
        console.out.flush();
        return Options { Mode::Answered, {}, false, false, false, false };
    }
    const int modes
        = int(parser.isSet(listOption)) + int(parser.isSet(scanOption)) + int(parser.isSet(cleanOption));
    const auto refuse = [&](const QString& message) -> std::optional<Options> {
        badUsage(console, message);
        return std::nullopt;
    };
    if (modes != 1 || !parser.positionalArguments().isEmpty())
        return refuse(Localization::text(QStringLiteral("CLI_ONE_COMMAND"),
            QStringLiteral("Give exactly one of --list, --scan and --clean.")));
    Options options;
    options.mode = parser.isSet(scanOption) ? Mode::Scan
        : parser.isSet(cleanOption)         ? Mode::Clean
                                            : Mode::List;
    options.categories = parser.values(categoryOption);
    options.json = parser.isSet(jsonOption);
    options.dryRun = parser.isSet(dryRunOption);
    options.yes = parser.isSet(yesOption);
    options.forceRunningBrowsers = parser.isSet(forceOption);
    for (const QString& key : std::as_const(options.categories)) {
        if (!category(key))
            return refuse(
                formatText(Localization::text(QStringLiteral("CLI_UNKNOWN_CATEGORY"),
                               QStringLiteral("Unknown category \"%@\"; 'velmora --list' names them.")),
                    { key }));
    }
    const bool scanOnly = options.json;
    const bool cleanOnly = options.dryRun || options.yes || options.forceRunningBrowsers;
    if ((scanOnly && options.mode != Mode::Scan) || (cleanOnly && options.mode != Mode::Clean)
        || (!options.categories.isEmpty() && options.mode == Mode::List))
        return refuse(Localization::text(QStringLiteral("CLI_OPTION_NOT_HERE"),
            QStringLiteral("An option was given that this command does not take.")));
    return options;
}

int CommandLine::run(const QStringList& arguments, Console& console)
{
    const std::optional<Options> options = parse(arguments, console);
    if (!options)
        return BadUsage;
    switch (options->mode) {
    case Mode::Answered:
        return Done;
    case Mode::List:
        return list(console);
    case Mode::Scan:
        return CommandLineScan(*options, console).run();
    case Mode::Clean:
        return CommandLineClean(*options, console).run();
    }
    return BadUsage;
}
