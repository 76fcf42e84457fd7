#pragma once

#include "uninstaller/ApplicationDetails.h"
#include "uninstaller/SupportFileSearch.h"

#include <QList>
#include <QString>
#include <QStringList>

// Snap applications as `snap list` reports them, and what removing one involves.
class SnapApps final {
public:
    SnapApps() = delete;

    // One row per snap that is an application: not a base, snapd itself or a
    // content snap (see isApplication). The columns are found by the header;
    // output without Name and Notes columns, a line of another width, with a
    // control character or with a name snapd would not accept gives a log line
    // and no row for it.
    static QList<ApplicationDetails> rows(const QString& listOutput);

    // snapd marks bases, itself and the old core in the notes; content snaps
    // (themes, desktop runtimes, graphics stacks) carry no mark, so they are
    // known by the names their publishers give them.
    static bool isApplication(const QString& name, const QString& notes);
    // Lower-case letters, digits and inner dashes, with an optional instance key.
    static bool isSnapName(const QString& name);

    static QStringList uninstallArguments(const QString& name);
    // A process of the user runs from the snap's own mount.
    static bool isRunning(const QString& name, const QString& procFolder);
    static SupportFileSearch::Found supportFolder(const QString& name);
    // Its desktop entries, "<snap>_<app>.desktop", as snapd installs them.
    static QStringList desktopIds(const QString& name);

private:
    static QString iconFile(const QString& name);
};
