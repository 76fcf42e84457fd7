#include "results/ResultsFixture.h"

#include "platform/PropertyList.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleNodeData.h"
#include "results/TreeNode.h"

#include <QDir>
#include <QSignalSpy>

QVariantMap ResultsFixture::results(std::initializer_list<std::pair<QString, QStringList>> categories)
{
    QVariantMap dictionary;
    for (const auto& [key, paths] : categories)
        dictionary.insert(key, QVariant(paths).toList());
    return dictionary;
}

void ResultsFixture::writeResults(const QVariantMap& dictionary)
{
    QDir().mkpath(sandbox.locations().resultsFolder);
    ASSERT_TRUE(PropertyList::writeXml(dictionary, sandbox.locations().resultsFile()));
}

void ResultsFixture::waitForSizes(ResultsTreeModel& model)
{
    QSignalSpy finished(&model, &ResultsTreeModel::sizesMeasuringFinished);
    if (!model.sizesMeasured()) {
        ASSERT_TRUE(finished.wait(10000));
    }
}

QStringList ResultsFixture::outline(const TreeNode& node)
{
    QStringList lines;
    for (const auto& child : node.children()) {
        const SimpleNodeData* data = ResultsTreeModel::payloadOf(child.get());
        if (data->isGroup()) {
            lines << data->name() + u':';
            lines << outline(*child);
        } else {
            lines << data->name() + (data->privilegeToDelete() != 0 ? " root" : "")
                    + (data->isDirectory() ? " folder" : "");
        }
    }
    return lines;
}

TreeNode* ResultsFixture::findNode(const TreeNode& root, const QString& name)
{
    for (int i = 0; i < root.numberOfChildren(); ++i) {
        TreeNode* child = root.childAtIndex(i);
        if (ResultsTreeModel::payloadOf(child)->name() == name)
            return child;
        if (TreeNode* found = findNode(*child, name))
            return found;
    }
    return nullptr;
}
