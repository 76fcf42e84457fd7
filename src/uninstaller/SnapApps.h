#pragma once

#include "uninstaller/ApplicationDetails.h"
#include "uninstaller/PackageLeftover.h"
#include "uninstaller/SupportFileSearch.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Snap applications as `snap list --all` reports them, what removing one
// involves, and the disabled revisions snapd keeps of each.
class SnapApps final {
public:
    SnapApps() = delete;

    static QStringList listArguments() { return { QStringLiteral("list"), QStringLiteral("--all") }; }
    // One row per snap that is an application: not a base, snapd itself or a
    // content snap (see isApplication). The columns are found by the header;
    // output without Name, Rev and Notes columns, a line of another width,
    // with a control character or with a name snapd would not accept gives a
    // log line and no row for it.
    static QList<ApplicationDetails> rows(const QString& listOutput) { return read(listOutput).applications; }
    struct Listing {
        QList<ApplicationDetails> applications; // as rows describes
        // The revisions marked disabled, of lines checked as for rows, except
        // the one the snap's "current" link names (a disabled snap's own).
        QList<PackageLeftover> oldRevisions;
        // The first word of every line after the header, also of a line no
        // row was made of: what counts as installed errs towards too much.
        QSet<QString> installed;
    };
    static Listing read(const QString& listOutput);
    static QString revisionFile(const QString& name, const QString& revision);
    static QStringList revisionRemoveArguments(const QString& name, const QString& revision);

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
