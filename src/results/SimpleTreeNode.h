#pragma once

#include "results/TreeNode.h"

#include <QDateTime>
#include <QVariantMap>

#include <memory>

// The results tree: an invisible "Root", one "Junk Items" group, one group
// per category of the results file and one leaf per path, in the file's order.
class SimpleTreeNode final : public TreeNode {
public:
    // A node without parent or children.
    explicit SimpleTreeNode(std::shared_ptr<NodeData> data);

    // A new root built from the results dictionary (empty when the file was
    // missing or unreadable). `securedJunkItemsFound` is set, never cleared,
    // when a path of a privileged category outside the home is listed; `now` is the clock the
    // age of the fresh system logs is taken against.
    static std::shared_ptr<SimpleTreeNode> treeFromDictionary(const QVariantMap& dictionary,
        bool* securedJunkItemsFound = nullptr, const QDateTime& now = QDateTime::currentDateTime());

    // What such a tree lists, without building it: its groups in order, each
    // with its paths and whether only an administrator may remove them. A
    // group whose paths are all passed over is still there, empty, as in the tree.
    struct Leaf {
        QString path;
        bool privileged = false;
    };
    struct Group {
        QString key;
        QList<Leaf> leaves;
    };
    static QList<Group> groupsInDictionary(const QVariantMap& dictionary,
        bool* securedJunkItemsFound = nullptr, const QDateTime& now = QDateTime::currentDateTime());

    // The same, from the results file; a missing or malformed file gives a root without children.
    static std::shared_ptr<SimpleTreeNode> treeFromResultsFile(bool* securedJunkItemsFound = nullptr);

    // The categories whose paths only an administrator may remove.
    static bool isPrivilegedCategory(const QString& key);
    // Whether a fresh system log is old enough to be worth listing: at least
    // 31 whole minutes between its creation and `now`, the scanner's own rule.
    static bool isOldEnoughToList(const QString& path, const QDateTime& now);

protected:
    QString className() const override { return QStringLiteral("SimpleTreeNode"); }

private:
    void initFromDictionary(const QVariantMap& dictionary, bool* securedJunkItemsFound, const QDateTime& now);
};
