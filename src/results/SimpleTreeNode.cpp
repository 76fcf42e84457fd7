#include "results/SimpleTreeNode.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/SystemLog.h"
#include "results/SimpleNodeData.h"

#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <sys/stat.h>

namespace {

constexpr qint32 kPrivilegeAdministrator = 2;
constexpr qint64 kFreshLogMinutes = 30;

// The file is written by us but lives in the user's folder: anything that is
// not an absolute path (or one below "~") would be removed relative to
// wherever the program happens to run, and a NUL would cut the path short.
bool isUsablePath(const QString& path)
{
    if (path.contains(QChar(u'\0')))
        return false;
    return path.startsWith(u'/') || path == QStringLiteral("~") || path.startsWith(QStringLiteral("~/"));
}

// A link is removed itself, so only a real folder counts as one. One lstat
// per path: a tree of a hundred thousand paths is built while the user waits.
bool isRealFolder(const QString& path)
{
    struct stat info { };
    return lstat(QFile::encodeName(Locations::current().expandTilde(path)).constData(), &info) == 0
        && S_ISDIR(info.st_mode);
}

} // namespace

SimpleTreeNode::SimpleTreeNode(std::shared_ptr<NodeData> data)
    : TreeNode(std::move(data), nullptr, TreeNodeArray())
{
}

std::shared_ptr<SimpleTreeNode> SimpleTreeNode::treeFromDictionary(
    const QVariantMap& dictionary, bool* securedJunkItemsFound, const QDateTime& now)
{
    auto root = std::make_shared<SimpleTreeNode>(SimpleNodeData::groupDataWithName(QStringLiteral("Root")));
    root->initFromDictionary(dictionary, securedJunkItemsFound, now);
    return root;
}

std::shared_ptr<SimpleTreeNode> SimpleTreeNode::treeFromResultsFile(bool* securedJunkItemsFound)
{
    return treeFromDictionary(
        PropertyList::readDictionary(Locations::current().resultsFile()), securedJunkItemsFound);
}

bool SimpleTreeNode::isPrivilegedCategory(const QString& key)
{
    return key == QStringLiteral("System Library Logs") || key == QStringLiteral("System Logs")
        || key == QStringLiteral("System Cache");
}

bool SimpleTreeNode::isOldEnoughToList(const QString& path, const QDateTime& now)
{
    const QDateTime created = QFileInfo(path).birthTime();
    // A creation date that cannot be read counts as now.
    const qint64 seconds = created.isValid() ? now.msecsTo(created) / 1000 : 0;
    const qint64 minutes = seconds / 60;
    return std::abs(minutes) > kFreshLogMinutes;
}

QList<SimpleTreeNode::Group> SimpleTreeNode::groupsInDictionary(
    const QVariantMap& dictionary, bool* securedJunkItemsFound, const QDateTime& now)
{
    const Locations& locations = Locations::current();
    QList<Group> groups;
    const QStringList keys = dictionary.keys();
    for (qsizetype k = keys.size() - 1; k >= 0; --k) {
        const QString& key = keys.at(k);
        const QVariant value = dictionary.value(key);
        const QVariantList entries
            = value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
        const bool privilegedCategory = isPrivilegedCategory(key);
        Group group { key, {} };
        group.leaves.reserve(entries.size());
        int paths = 0;
        int passedOver = value.typeId() == QMetaType::QVariantList ? 0 : 1;
        for (const QVariant& entry : entries) {
            const QString path = entry.typeId() == QMetaType::QString ? entry.toString() : QString();
            if (!isUsablePath(path)) {
                ++passedOver;
                continue;
            }
            ++paths;
            // What lies in the home belongs to the user, who could put anything
            // there for root to remove: Velmora removes it with the user's rights.
            const bool privileged = privilegedCategory && !locations.isAtOrBelowHome(path);
            if (privileged && securedJunkItemsFound)
                *securedJunkItemsFound = true;
            if (privileged && (path == locations.secureLog || path == locations.systemLog)
                && !isOldEnoughToList(path, now))
                continue;
            group.leaves.append({ path, privileged });
        }
        if (passedOver > 0)
            SystemLog::write(QStringLiteral("Scan results: passed over %1 unusable entries under \"%2\"")
                                 .arg(passedOver)
                                 .arg(key));
        if (paths > 0)
            groups.append(std::move(group));
    }
    return groups;
}

void SimpleTreeNode::initFromDictionary(
    const QVariantMap& dictionary, bool* securedJunkItemsFound, const QDateTime& now)
{
    const QList<Group> groups = groupsInDictionary(dictionary, securedJunkItemsFound, now);
    auto junkItems
        = std::make_shared<SimpleTreeNode>(SimpleNodeData::groupDataWithName(QStringLiteral("Junk Items")));
    for (const Group& listed : groups) {
        auto group = std::make_shared<SimpleTreeNode>(SimpleNodeData::groupDataWithName(listed.key));
        for (const Leaf& leaf : listed.leaves)
            group->insertChild(std::make_shared<SimpleTreeNode>(SimpleNodeData::leafDataWithName(leaf.path,
                                   leaf.privileged ? kPrivilegeAdministrator : 0, isRealFolder(leaf.path))),
                group->numberOfChildren());
        junkItems->insertChild(std::move(group), junkItems->numberOfChildren());
    }
    if (!dictionary.isEmpty())
        insertChild(std::move(junkItems), numberOfChildren());
}
