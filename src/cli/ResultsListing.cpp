#include "cli/ResultsListing.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "results/PathSizeCalculator.h"
#include "results/SimpleTreeNode.h"

#include <QFile>

#include <algorithm>
#include <sys/stat.h>

ResultsListing ResultsListing::read()
{
    ResultsListing listing;
    const QString path = Locations::current().resultsFile();
    struct stat status { };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return listing;
    // The scan writes a plain file and renames it into place: a link, or a
    // file that is no dictionary, was damaged or put there, and what it would
    // list is not what a scan found. The link is refused on opening, so
    // nothing swapped in after this look is read either.
    const std::optional<QVariant> root = PropertyList::read(path, PropertyList::Links::Refuse);
    if (!root || root->typeId() != QMetaType::QVariantMap) {
        listing.m_state = State::Damaged;
        return listing;
    }
    listing = of(root->toMap());
    const Locations& locations = Locations::current();
    // A link is removed itself, so only a real folder counts as one.
    for (RemovalRun::TickedPath& ticked : listing.m_paths)
        ticked.isDirectory
            = ::lstat(QFile::encodeName(locations.expandTilde(ticked.path)).constData(), &status) == 0
            && S_ISDIR(status.st_mode);
    return listing;
}

ResultsListing ResultsListing::of(const QVariantMap& results)
{
    ResultsListing listing;
    listing.m_state = State::Read;
    for (const SimpleTreeNode::Group& group : SimpleTreeNode::groupsInDictionary(results)) {
        for (const SimpleTreeNode::Leaf& leaf : group.leaves)
            listing.m_paths.append({ leaf.path, false, leaf.privileged, group.key });
    }
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

QList<qint64> ResultsListing::bytesOf(const QList<Group>& groups, const PathSizeCalculator::Footprints& taken)
{
    const Locations& locations = Locations::current();
    QStringList paths;
    for (const Group& group : groups) {
        for (const RemovalRun::TickedPath& path : group.paths)
            paths.append(locations.expandTilde(path.path));
    }
    const QList<PathSizeCalculator::Measured> measured = PathSizeCalculator::measureAll(paths, taken);
    QList<qint64> bytes;
    int i = 0;
    for (const Group& group : groups) {
        qint64 total = 0;
        for (qsizetype end = i + group.paths.size(); i < end; ++i) {
            const PathSizeCalculator::Measured& path = measured.at(i);
            // As the review page adds a path up: where it first appears, unless a listed folder holds it.
            if (path.size >= 0 && path.firstOccurrence == i && path.container < 0)
                total += std::max<qint64>(path.added, 0);
        }
        bytes.append(total);
    }
    return bytes;
}
