#include "cli/ResultsListing.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "results/SimpleTreeNode.h"

#include <QFileInfo>
#include <QSet>

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
    listing.m_state = State::Read;
    listing.m_paths = RemovalRun::tickedIn(SimpleTreeNode::treeFromDictionary(root->toMap()).get());
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
    QSet<QString> listed;
    for (const RemovalRun::TickedPath& path : paths)
        listed.insert(locations.expandTilde(path.path));
    QList<PathSizeCalculator::Footprint> footprints;
    QSet<QString> counted;
    for (const RemovalRun::TickedPath& path : paths) {
        const QString expanded = locations.expandTilde(path.path);
        bool inListedFolder = false;
        for (qsizetype slash = expanded.lastIndexOf(u'/'); slash > 0 && !inListedFolder;
             slash = expanded.lastIndexOf(u'/', slash - 1))
            inListedFolder = listed.contains(expanded.left(slash));
        if (inListedFolder || counted.contains(expanded))
            continue;
        counted.insert(expanded);
        footprints.append(PathSizeCalculator::footprintOfPath(expanded));
    }
    return footprints;
}
