#pragma once

#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <utility>

class ApplicationController;
class ResultsTreeModel;
class TreeNode;

// A sandbox with English texts, helpers to write results files and to walk a
// built tree, and, for page tests, the whole main window.
class ResultsFixture : public ::testing::Test {
protected:
    ResultsFixture();
    ~ResultsFixture() override;

    // Builds the main window with every page controller, as at start-up.
    ApplicationController& application();

    static QVariantMap results(std::initializer_list<std::pair<QString, QStringList>> categories);
    void writeResults(const QVariantMap& dictionary);
    void writeResultsBytes(const QByteArray& contents);
    bool resultsFileExists() const;

    static void waitForSizes(ResultsTreeModel& model);
    // Names below `node`, groups as "Name:" followed by their children, depth first.
    static QStringList outline(const TreeNode& node);
    static TreeNode* findNode(const TreeNode& root, const QString& name);

    Sandbox sandbox;

private:
    std::unique_ptr<ApplicationController> m_application;
};
