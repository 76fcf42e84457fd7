#pragma once

#include "uninstaller/ApplicationDetails.h"
#include "uninstaller/PackageLeftover.h"
#include "uninstaller/SupportFileSearch.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Flatpak applications of the user's and the system installation, as
// `flatpak list` reports them, and what removing one involves.
class FlatpakApps final {
public:
    FlatpakApps() = delete;

    static QStringList listArguments();
    // One row per line of application id, name and installation, tab-separated
    // as flatpak writes them to a pipe. A line of another width, an id that is
    // not one, a name with a control character, or an installation other than
    // "user" and "system" gives a log line and no row; so does every line of an
    // application and installation that more than one line names.
    static QList<ApplicationDetails> rows(const QString& listOutput);

    // Every id the listing names at the start of a line, also of a line no
    // row was made of: what counts as installed errs towards too much.
    static QSet<QString> installedIds(const QString& listOutput);

    // Reverse-DNS, as flatpak itself requires: so an id can never read as an option.
    static bool isApplicationId(const QString& id);

    // The architecture flatpak leaves out of its tables when every ref has it.
    static QStringList defaultArchArguments() { return { QStringLiteral("--default-arch") }; }
    // Asks for the runtimes flatpak would remove as unused, answered "no" by
    // flatpak itself as nobody sits at its standard input and output.
    static QStringList unusedArguments(const QString& installation);
    // An installation ("system", "user") as a row shows it, in the user's language.
    static QString shownInstallation(const QString& installation);
    // The refs of the table that listing prints, tab-separated to a pipe:
    // number, blank, id, arch (left out when all have `defaultArch`), branch,
    // operation "r". A numbered line of another shape, with a control
    // character, an id, arch or branch flatpak would not accept gives a log
    // line and no row; other lines are flatpak's talk and are passed over.
    static QList<PackageLeftover> unusedRuntimes(
        const QString& output, const QString& installation, const QString& defaultArch);
    static QStringList runtimeUninstallArguments(const QString& ref, const QString& installation);

    static QStringList runningArguments();
    static bool isRunning(const QString& id, const QString& runningOutput);
    static QStringList uninstallArguments(const ApplicationDetails& application);
    // The application's own home folder, where it keeps all its data.
    static SupportFileSearch::Found supportFolder(const QString& id);
    // The desktop entry the installation exports for it.
    static QString desktopId(const QString& id) { return id + QStringLiteral(".desktop"); }

private:
    static QString iconFile(const QString& id, const QString& installation);
};
