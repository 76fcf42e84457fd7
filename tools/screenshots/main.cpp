// Pictures of the window for the documentation, taken in a throw-away home so
// that neither the pictures nor the run depend on (or touch) the user's own
// settings, login items or files.

#include "platform/DateFormat.h"
#include "platform/Images.h"
#include "platform/Localization.h"
#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"
#include "shell/ApplicationController.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMainWindow>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

struct Shot {
    const char* name;
    ApplicationController::Page page;
    std::function<void(ApplicationController&)> show;
};

void makeFile(const QString& path, const QByteArray& contents = "x")
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(contents);
}

// What a user some hours after a scan that found junk would have: the
// overview's most telling state, and a results file for the pages that read one.
void fillSandbox(const Locations& at)
{
    QDir().mkpath(at.home);
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QDateTime scanned = QDateTime::currentDateTime().addSecs(-3 * 3600);
    defaults.setObject(DateFormat::stringFromDate(scanned, QString::fromLatin1(DateFormat::kFullPattern)),
        QStringLiteral("SCANNED_COMPLETE_TIME"));
    defaults.setInteger(7, QStringLiteral("ERRORS_FOUND"));
    defaults.synchronize();

    const QString cache = at.cacheHome;
    const QString firefox = at.home + QStringLiteral("/.mozilla/firefox/default");
    const QVariantMap results {
        { QStringLiteral("Internet Cache"),
            QVariantList { cache + QStringLiteral("/mozilla/firefox/default/cache2"),
                cache + QStringLiteral("/chromium/Default/Cache") } },
        { QStringLiteral("Cookies"), QVariantList { firefox + QStringLiteral("/cookies.sqlite") } },
        { QStringLiteral("History"), QVariantList { firefox + QStringLiteral("/places.sqlite") } },
        { QStringLiteral("Downloads List"), QVariantList {} },
        { QStringLiteral("Form Values"), QVariantList { firefox + QStringLiteral("/formhistory.sqlite") } },
        { QStringLiteral("Page Icons"), QVariantList { firefox + QStringLiteral("/favicons.sqlite") } },
        { QStringLiteral("UserLibraryLogs"), QVariantList { cache + QStringLiteral("/thumbnails.log") } },
        { QStringLiteral("System Library Logs"), QVariantList {} },
        { QStringLiteral("System Logs"), QVariantList {} },
        { QStringLiteral("System Cache"), QVariantList {} },
    };
    for (const QVariant& paths : results)
        for (const QVariant& path : paths.toList())
            makeFile(path.toString());
    QDir().mkpath(at.resultsFolder);
    PropertyList::writeXml(results, at.resultsFile());

    for (const char* name : { "Firefox", "GIMP", "Inkscape", "LibreOffice", "Thunderbird", "VLC" })
        QDir().mkpath(at.applicationsFolder + u'/' + QLatin1String(name) + QStringLiteral(".app/Contents"));
    // Present, so that the first-run registration has a program to register.
    makeFile(at.ownExecutable, "#!/bin/sh\n");
    QFile::setPermissions(at.ownExecutable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void settle()
{
    for (int round = 0; round < 5; ++round)
        QApplication::processEvents();
}

bool save(QWidget* window, const QString& folder, const char* name)
{
    settle();
    const QString path = folder + u'/' + QLatin1String(name) + QStringLiteral(".png");
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "velmora_screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// A page is still a placeholder while nothing has been put on it.
bool isBuilt(const QWidget* page)
{
    return page && !page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora_screenshots <output folder>\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(output)) {
        std::fprintf(stderr, "velmora_screenshots: cannot create %s\n", qPrintable(output));
        return 1;
    }

    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "velmora_screenshots: no temporary folder\n");
        return 1;
    }
    // The pictures are English whatever the machine's language.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Localization::setLanguage(QString());
    // What the program would log here describes the throw-away home, not this machine.
    SystemLog::setSink([](const QString&) {});
    Locations::setCurrent(Locations::sandbox(home.path()));
    UserDefaults::reload();
    fillSandbox(Locations::current());
    QApplication::setWindowIcon(Images::named(QStringLiteral("velmora")));

    auto* controller = new ApplicationController;
    controller->awakeFromNib();
    QMainWindow* window = controller->window();
    window->show();

    const Shot shots[] = {
        { "overview", ApplicationController::OverviewPage,
            [](ApplicationController& c) { c.showScanPage(); } },
        { "options", ApplicationController::OptionsPage,
            [](ApplicationController& c) { c.showOptionsPage(); } },
        { "tools", ApplicationController::ToolsPage,
            [](ApplicationController& c) {
                c.showToolsPage();
                if (auto* table
                    = c.window()->findChild<QTableView*>(QStringLiteral("toolsPageApplicationsTableView")))
                    table->selectRow(1);
            } },
        { "scan", ApplicationController::ScanPage,
            [](ApplicationController& c) {
                c.setShowOverviewPage(false);
                c.showScanPage();
                c.setShowOverviewPage(true);
            } },
        { "review", ApplicationController::ReviewPage, [](ApplicationController& c) { c.showReviewPage(); } },
        { "fix", ApplicationController::FixPage, [](ApplicationController& c) { c.showFixPage(); } },
    };
    bool ok = true;
    for (const Shot& shot : shots) {
        if (!isBuilt(controller->pagesTabView()->widget(shot.page)))
            continue;
        shot.show(*controller);
        ok = save(window, output, shot.name) && ok;
    }

    controller->showOptionsPage();
    controller->showAboutPanel();
    ok = save(controller->aboutPanel(), output, "about") && ok;

    delete controller;
    return ok ? 0 : 1;
}
