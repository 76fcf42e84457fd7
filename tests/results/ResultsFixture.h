#pragma once

#include "platform/Localization.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

#include <utility>

class ResultsTreeModel;
class TreeNode;

// A sandbox, and helpers to write results files and to walk a built tree.
class ResultsFixture : public ::testing::Test {
protected:
    static QVariantMap results(std::initializer_list<std::pair<QString, QStringList>> categories);
    void writeResults(const QVariantMap& dictionary);
    bool resultsFileExists() const { return QFileInfo::exists(sandbox.locations().resultsFile()); }

    static void waitForSizes(ResultsTreeModel& model);
    // Names below `node`, groups as "Name:" followed by their children, depth first; a leaf's name is
    // followed by " root" when the helper removes it and " folder" when it is one.
    static QStringList outline(const TreeNode& node);
    static TreeNode* findNode(const TreeNode& root, const QString& name);

    Sandbox sandbox;
};
