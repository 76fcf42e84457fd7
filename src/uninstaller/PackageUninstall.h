#pragma once

#include "uninstaller/ApplicationDetails.h"
#include "uninstaller/SupportFileSearch.h"

#include <QList>
#include <QString>
#include <QStringList>

// The steps of uninstalling a Flatpak, a snap or an AppImage, each of which
// the Tools page takes in the same order as for a bundle.
class PackageUninstall final {
public:
    PackageUninstall(const ApplicationDetails& application, const QString& procFolder);

    bool isThisProgram() const;
    bool isRunning() const;
    // False when the AppImage has gone (or became something else) since it was listed.
    bool isStillThere() const;

    // How the application itself is shown for confirmation, and its size (-1: unknown).
    QString description() const;
    qint64 size() const;
    QList<SupportFileSearch::Found> supportFiles() const;
    // Its desktop ids, to be taken out of the favourites: read before removal,
    // which takes the entries with it.
    QStringList desktopIds() const;

    struct Outcome {
        bool removed = false;
        QString message; // what the removal said when it failed
    };
    Outcome removeApplication() const;
    // Runs flatpak or snap found on the command path, writing the command to the log.
    static Outcome runTool(const QString& tool, const QStringList& arguments);

private:
    ApplicationDetails m_application;
    QString m_procFolder;
    QStringList m_ownEntries; // an AppImage's desktop entries
};
