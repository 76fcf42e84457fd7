#include "uninstaller/FlatpakApps.h"

#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "uninstaller/PackageListing.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

bool isInstallation(const QString& value)
{
    return value == QStringLiteral("user") || value == QStringLiteral("system");
}

// A name is only shown, yet a format character (a change of writing
// direction, say) could make it read as another.
bool isPrintable(const QString& name)
{
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Format)
            return false;
    }
    return !name.trimmed().isEmpty();
}

bool isSameApplication(const ApplicationDetails& a, const ApplicationDetails& b)
{
    return a.appPath() == b.appPath() && a.installation() == b.installation();
}

} // namespace

QStringList FlatpakApps::listArguments()
{
    return { QStringLiteral("list"), QStringLiteral("--app"),
        QStringLiteral("--columns=application,name,installation") };
}

QList<ApplicationDetails> FlatpakApps::rows(const QString& listOutput)
{
    QList<ApplicationDetails> rows;
    for (const QString& line : listOutput.split(u'\n', Qt::SkipEmptyParts)) {
        // A name is the only free text: one holding a tab or a line break
        // leaves a line of another width or pieces that are no application.
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 3 || !isApplicationId(fields.at(0)) || !isInstallation(fields.at(2))
            || PackageListing::hasControlCharacter(fields.at(1))) {
            SystemLog::write(QStringLiteral("Ignoring an unexpected line of flatpak list: %1")
                                 .arg(PackageListing::escaped(line)));
            continue;
        }
        const QString& id = fields.at(0);
        const QString name = isPrintable(fields.at(1)) ? fields.at(1).trimmed() : id;
        rows.append(ApplicationDetails::package(
            ApplicationKind::Flatpak, name, id, fields.at(2), iconFile(id, fields.at(2))));
    }
    // Yet a name holding a tab and a line break can end its own line and
    // forge a whole one for an installed application, whose true line then
    // names it a second time. Which is which cannot be told, so neither stays.
    QList<ApplicationDetails> unique;
    for (const ApplicationDetails& row : std::as_const(rows)) {
        const auto same = [&row](const ApplicationDetails& other) { return isSameApplication(row, other); };
        if (std::count_if(rows.cbegin(), rows.cend(), same) == 1)
            unique.append(row);
        else
            SystemLog::write(QStringLiteral("Ignoring a line of flatpak list: another line names %1 (%2) too")
                                 .arg(row.appPath(), row.installation()));
    }
    return unique;
}

QSet<QString> FlatpakApps::installedIds(const QString& listOutput)
{
    QSet<QString> ids;
    for (const QString& line : listOutput.split(u'\n', Qt::SkipEmptyParts))
        ids.insert(line.section(u'\t', 0, 0).trimmed());
    return ids;
}

QString FlatpakApps::shownInstallation(const QString& installation)
{
    // A named extra installation keeps its own name.
    if (installation == QStringLiteral("system"))
        return Localization::text(QStringLiteral("FLATPAK_INSTALLATION_SYSTEM"), installation);
    if (installation == QStringLiteral("user"))
        return Localization::text(QStringLiteral("FLATPAK_INSTALLATION_USER"), installation);
    return installation;
}

QStringList FlatpakApps::unusedArguments(const QString& installation)
{
    return { QStringLiteral("uninstall"), QStringLiteral("--unused"), QStringLiteral("--") + installation };
}

QList<PackageLeftover> FlatpakApps::unusedRuntimes(
    const QString& output, const QString& installation, const QString& defaultArch)
{
    static const QRegularExpression number(QStringLiteral("^ *[0-9]+\\.$"));
    static const QRegularExpression arch(QStringLiteral("^[a-z0-9_]+$"));
    static const QRegularExpression branch(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]*$"));
    QList<PackageLeftover> runtimes;
    for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
        // Every field has a pattern of its own, none of which lets a control character or a leading "-"
        // through.
        QStringList fields = line.split(u'\t');
        if (!number.match(fields.constFirst()).hasMatch())
            continue;
        if (fields.size() == 5)
            fields.insert(3, defaultArch);
        if (fields.size() != 6 || !fields.at(1).trimmed().isEmpty() || !isApplicationId(fields.at(2))
            || !arch.match(fields.at(3)).hasMatch() || !branch.match(fields.at(4)).hasMatch()
            || fields.at(5) != QStringLiteral("r")) {
            SystemLog::write(QStringLiteral("Ignoring an unexpected line of flatpak's unused runtimes: %1")
                                 .arg(PackageListing::escaped(line)));
            continue;
        }
        runtimes.append(PackageLeftover::unusedRuntime(
            QStringLiteral("runtime/") + fields.mid(2, 3).join(u'/'), installation));
    }
    return runtimes;
}

QStringList FlatpakApps::runtimeUninstallArguments(const QString& ref, const QString& installation)
{
    return { QStringLiteral("uninstall"), QStringLiteral("--noninteractive"),
        QStringLiteral("--") + installation, QStringLiteral("--"), ref };
}

bool FlatpakApps::isApplicationId(const QString& id)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_-]*(\\.[A-Za-z_][A-Za-z0-9_-]*)+$"));
    return id.size() <= 255 && pattern.match(id).hasMatch();
}

QStringList FlatpakApps::runningArguments()
{
    return { QStringLiteral("ps"), QStringLiteral("--columns=application") };
}

bool FlatpakApps::isRunning(const QString& id, const QString& runningOutput)
{
    for (const QString& line : runningOutput.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.trimmed() == id)
            return true;
    }
    return false;
}

QStringList FlatpakApps::uninstallArguments(const ApplicationDetails& application)
{
    // --app: a forged id never takes a runtime that other applications use.
    return { QStringLiteral("uninstall"), QStringLiteral("--noninteractive"),
        QStringLiteral("--") + application.installation(), QStringLiteral("--app"), QStringLiteral("--"),
        application.appPath() };
}

SupportFileSearch::Found FlatpakApps::supportFolder(const QString& id)
{
    return { Locations::current().flatpakUserData, { id } };
}

QString FlatpakApps::iconFile(const QString& id, const QString& installation)
{
    const Locations& l = Locations::current();
    const QString icons
        = (installation == QStringLiteral("user") ? l.flatpakUserExports : l.flatpakSystemExports)
        + QStringLiteral("/icons/hicolor/");
    for (const char* size : { "scalable", "48x48", "64x64", "128x128", "256x256", "32x32" }) {
        for (const char* extension : { ".svg", ".png" }) {
            const QString file
                = icons + QLatin1String(size) + QStringLiteral("/apps/") + id + QLatin1String(extension);
            if (QFileInfo(file).isFile())
                return file;
        }
    }
    return {};
}
