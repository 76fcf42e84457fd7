#pragma once

#include "uninstaller/ApplicationDetails.h"
#include "uninstaller/SupportFileSearch.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class ApplicationsTableModel;
class InstalledSizes;
class PackageLeftoversModel;
class PackageListing;
class QIcon;
class PageHost;
class QWidget;
namespace Ui {
class ToolsPage;
}

// The Tools page: lists the application bundles under the applications
// folder, then AppImages, Flatpak applications and snaps, and uninstalls the
// selected one with the support files the user confirms, and its Dock tile or
// favourite. In a section of their own, with their sizes, come what packages
// left behind (unused Flatpak runtimes, old snap revisions, data folders of
// removed applications), of which the selected and confirmed ones go. Only
// the Flatpak and snap lists and the leftovers are made in the background.
class ToolsPageController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolsPageController)

public:
    ToolsPageController(QWidget* page, PageHost& host, QObject* parent = nullptr);
    ~ToolsPageController() override;

    // The rows in table order; whoever changes them reloads the table, as the setter does.
    const QList<ApplicationDetails>& applicationNamesList() const { return m_applicationNamesList; }
    void setapplicationNamesList(const QList<ApplicationDetails>& applicationNamesList);
    // The support files of the application being uninstalled, sorted; holds
    // the empty string that every search reports besides its hits.
    const QStringList& supportFileslist() const { return m_supportFileslist; }
    const PackageLeftoversModel& leftovers() const { return *m_leftovers; }

    void toolsPageCreateUI();
    // Appends a row for every bundle under the applications folder, in walk
    // order, then every AppImage; Flatpak and snap rows follow as they come.
    void populateApplicationsTableView();
    int numberOfRowsInTableView() const;
    // The label of `row`, whatever the column.
    QString tableView(int column, int row) const;
    // Null past the last row.
    const ApplicationDetails* applicationAt(int row) const;
    // What the application takes on disk; -1 until measured in the background.
    qint64 installedSize(const ApplicationDetails& application) const;
    static QIcon applicationIconImage(const QString& path);

    void toolsPageUninstallButtonClick();
    // Refuses, with its alert, this program itself and an application that is running.
    bool canUninstallApplication(const QString& path);
    bool checkIfApplicationRunning(const QString& bundleName) const;
    QStringList checkForSupportFiles(const QString& path);
    // Deletes the bundle, then its support files; false (with its alert) when the bundle stays.
    bool uninstallSelectedApp(const QString& path);
    void removeFromDockPrefrenceFile(const QString& appName);

    // Tests look processes up in a process table of their own.
    void setProcessTableFolder(const QString& folder);

protected:
    // Enter on a row of either table does what Uninstall does.
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The background lists have all answered and their rows, leftovers included, are in.
    void applicationsListed();

private:
    void uninstallPackage(int row);
    // Shows the leftovers of these rows for confirmation, each ticked, and
    // removes the ticked ones; what could not go stays listed and is told.
    void uninstallLeftovers(const QList<int>& rows);
    // Appends what a search found to supportFileslist, and keeps where each was
    // found; the shared ones are offered unticked.
    void takeSupportFiles(const QList<SupportFileSearch::Found>& found);
    // Shows what would go; false when the user cancelled. Leaves only the
    // ticked support files in supportFileslist.
    bool confirmRemoval(const QString& application, qint64 size);
    // Removes supportFileslist, each written to the log, from the folder it
    // was found in; a failure or refusal is told.
    void removeSupportFiles();
    void appendRows(const QList<ApplicationDetails>& rows);
    int selectedRow() const;
    // Uninstall can be pressed only while a row of either table is selected.
    void enableUninstall();
    QStringList searchFolders() const;
    // Runs a long step of an uninstall off the main thread and returns when it has ended.
    void runWhileBusy(const std::function<void()>& step);
    void showAlert(const QString& message) const;

    PageHost& m_host;
    std::unique_ptr<Ui::ToolsPage> m_ui;
    InstalledSizes* m_sizes;
    QWidget* m_page;
    ApplicationsTableModel* m_model;
    QList<ApplicationDetails> m_applicationNamesList;
    QStringList m_supportFileslist;
    QList<SupportFileSearch::Found> m_supportFiles; // where each of supportFileslist was found
    QByteArray m_processTableFolder;
    PackageListing* m_packages;
    PackageLeftoversModel* m_leftovers;
};
