#pragma once

#include "results/PathSizeCalculator.h"
#include "uninstaller/PackageUninstall.h"

#include <QString>
#include <QStringList>

// One row of what packages leave behind: a Flatpak runtime no application
// uses, a disabled snap revision, or the data folder of an application that
// is no longer installed. Each knows what it occupies on disk and how it goes.
class PackageLeftover final {
public:
    enum class Kind { UnusedRuntime, OldSnapRevision, RemovedApplicationData };

    // `ref` as "runtime/<id>/<arch>/<branch>", of the "user" or "system" installation.
    static PackageLeftover unusedRuntime(const QString& ref, const QString& installation);
    static PackageLeftover oldSnapRevision(const QString& name, const QString& revision);
    // A folder directly in `parent` (~/.var/app or ~/snap) named after the application.
    static PackageLeftover applicationData(const QString& parent, const QString& name);

    Kind kind() const { return m_kind; }
    // How the row and the confirmation name it.
    QString label() const;
    // What removing it frees: the runtime's deployed folder, the revision's
    // .snap file, the data folder.
    QString measuredPath() const;
    const PathSizeCalculator::Footprint& footprint() const { return m_footprint; }
    void setFootprint(const PathSizeCalculator::Footprint& footprint) { m_footprint = footprint; }

    // A runtime and a revision through their own tool, a data folder through
    // the confined removal from the folder it was found in.
    PackageUninstall::Outcome remove() const;

private:
    PackageLeftover(Kind kind, const QString& name, const QString& detail);

    Kind m_kind = Kind::RemovedApplicationData;
    QString m_name; // runtime ref, snap name or folder name
    QString m_detail; // installation, revision or parent folder
    PathSizeCalculator::Footprint m_footprint;
};
