#include "cli/ResultsListing.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "results/SimpleTreeNode.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>

ResultsListing ResultsListing::read()
{
    ResultsListing listing;
    const QString path = Locations::current().resultsFile();
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink())
        return listing;
    // The scan writes a plain file and renames it into place: a link, or a
    // file that is no dictionary, was damaged or put there, and what it would
    // list is not what a scan found.
    const std::optional<QVariant> root = file.isSymLink() ? std::nullopt : PropertyList::read(path);
    if (!root || root->typeId() != QMetaType::QVariantMap) {
        listing.m_state = State::Damaged;
        return listing;
    }
    return of(root->toMap());
}

ResultsListing ResultsListing::of(const QVariantMap& results)
{
    ResultsListing listing;
    listing.m_state = State::Read;
    listing.m_paths = RemovalRun::tickedIn(SimpleTreeNode::treeFromDictionary(results).get());
    return listing;
}

QList<ResultsListing::Group> ResultsListing::groups(const QStringList& only) const
{
    QList<Group> groups;
    for (const RemovalRun::TickedPath& path : m_paths) {
        if (!only.isEmpty() && !only.contains(path.category))
            continue;
        if (groups.isEmpty() || groups.last().key != path.category)
            groups.append({ path.category, {} });
        groups.last().paths.append(path);
    }
    return groups;
}

QList<PathSizeCalculator::Footprint> ResultsListing::footprintsOf(const QList<RemovalRun::TickedPath>& paths)
{
    const Locations& locations = Locations::current();
    // Only a listed folder can hold another listed path; most lists have few.
    QSet<QString> listed;
    for (const RemovalRun::TickedPath& path : paths) {
        if (path.isDirectory)
            listed.insert(locations.expandTilde(path.path));
    }
    QList<PathSizeCalculator::Footprint> footprints { PathSizeCalculator::Footprint { 0, {} } };
    QSet<QString> counted;
    for (const RemovalRun::TickedPath& path : paths) {
        const QString expanded = locations.expandTilde(path.path);
        bool inListedFolder = false;
        for (qsizetype slash = listed.isEmpty() ? -1 : expanded.lastIndexOf(u'/');
             slash > 0 && !inListedFolder; slash = expanded.lastIndexOf(u'/', slash - 1))
            inListedFolder = listed.contains(expanded.left(slash));
        if (inListedFolder || counted.contains(expanded))
            continue;
        counted.insert(expanded);
        struct stat info { };
        if (::lstat(QFile::encodeName(expanded).constData(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode) || info.st_nlink > 1)
            footprints.append(PathSizeCalculator::footprintOfPath(expanded));
        else
            footprints.first().size += info.st_size;
    }
    return footprints;
}
