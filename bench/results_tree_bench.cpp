// How long the review and fix pages take to show 100,000 paths, how long a
// check-box click takes on such a tree, and what unticking and ticking four
// categories at once (40,000 paths) costs. Runs in a temporary folder.

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "removal/FixPageController.h"
#include "results/ImageAndTextCell.h"
#include "results/MTUOutlineView.h"
#include "results/OutlineViewSupport.h"
#include "results/ResultsTreeModel.h"
#include "results/SimpleTreeNode.h"
#include "shell/ApplicationController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace {

constexpr int kCategories = 10;
constexpr int kPathsPerCategory = 10000;
constexpr int kClicks = 200;

const char* const kCategoryNames[kCategories] = { "Internet Cache", "Cookies", "History", "Downloads List",
    "Form Values", "Page Icons", "UserLibraryLogs", "System Library Logs", "System Logs", "System Cache" };

// Wall time and the main thread's own processor time: on a busy machine the
// second says what the program costs, the first what the user waits.
class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart()
    {
        m_wall.start();
        m_cpu = threadCpuMs();
    }
    void report(const char* what, int repetitions = 1) const
    {
        std::printf("%-52s %9.2f ms wall %9.2f ms cpu\n", what, m_wall.nsecsElapsed() / 1e6 / repetitions,
            (threadCpuMs() - m_cpu) / repetitions);
    }

private:
    static double threadCpuMs()
    {
        timespec now {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    }
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

QVariantMap makeJunk(const QString& root)
{
    QVariantMap dictionary;
    for (int c = 0; c < kCategories; ++c) {
        QVariantList paths;
        for (int i = 0; i < kPathsPerCategory; ++i) {
            const QString folder = QStringLiteral("%1/junk/%2/%3").arg(root).arg(c).arg(i / 1000);
            if (i % 1000 == 0)
                QDir().mkpath(folder);
            const QString path = QStringLiteral("%1/entry-%2").arg(folder).arg(i);
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray(100 + i % 900, 'x'));
            paths << path;
        }
        dictionary.insert(QString::fromLatin1(kCategoryNames[c]), paths);
    }
    return dictionary;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir sandbox;
    Locations::setCurrent(Locations::sandbox(sandbox.path()));
    UserDefaults::reload();

    std::printf("%d paths in %d categories\n", kCategories * kPathsPerCategory, kCategories);
    const QVariantMap junk = makeJunk(sandbox.path());
    QDir().mkpath(Locations::current().resultsFolder);
    PropertyList::writeXml(junk, Locations::current().resultsFile());

    Stopwatch timer;
    const QVariantMap read = PropertyList::readDictionary(Locations::current().resultsFile());
    timer.report("read the results file");
    timer.restart();
    const auto tree = SimpleTreeNode::treeFromDictionary(read);
    timer.report("build the tree");
    timer.restart();
    for (const QVariant& paths : read) {
        for (const QVariant& path : paths.toList()) {
            struct stat info {};
            lstat(QFile::encodeName(path.toString()).constData(), &info);
        }
    }
    timer.report("  of which one lstat per path");
    {
        ResultsTreeModel model;
        ImageAndTextCell cell;
        MTUOutlineView view;
        OutlineViewSupport::setUp(view, model, cell);
        view.resize(1000, 700);
        view.show();
        QCoreApplication::processEvents();
        timer.restart();
        model.setRoot(tree);
        timer.report("  model reset");
        timer.restart();
        OutlineViewSupport::spanGroupRows(view);
        timer.report("  span group rows");
        timer.restart();
        OutlineViewSupport::expandAll(view);
        timer.report("  expand all");
        timer.restart();
        QCoreApplication::processEvents();
        timer.report("  first paint");
        model.setRoot(nullptr);
    }

    ApplicationController controller;
    controller.awakeFromNib();
    controller.window()->resize(1000, 700);
    controller.window()->show();
    QCoreApplication::processEvents();

    timer.restart();
    controller.displayReviewPage();
    QCoreApplication::processEvents();
    timer.report("review page: read, build, show expanded, paint");

    FixPageController& fix = *controller.fixPageController();
    QEventLoop measuring;
    QObject::connect(fix.model(), &ResultsTreeModel::sizesMeasuringFinished, &measuring, &QEventLoop::quit);
    timer.restart();
    controller.showFixPage();
    QCoreApplication::processEvents();
    timer.report("fix page: read, build, show expanded, paint");
    if (!fix.model()->sizesMeasured())
        measuring.exec();
    timer.report("fix page: every size measured (background)");

    MTUOutlineView& view = *fix.fixOutlineView();
    const QModelIndex junkItems = fix.model()->index(0, 0);
    const QModelIndex firstCategory = fix.model()->index(0, 0, junkItems);
    const QModelIndex leaf = fix.model()->index(0, 0, firstCategory);
    const QPoint box
        = ImageAndTextCell::checkBoxHitBox(QRectF(view.visualRect(leaf)), QSizeF(view.iconSize()))
              .center()
              .toPoint();
    timer.restart();
    for (int i = 0; i < kClicks; ++i) {
        view.toggleCheckBoxAt(box);
        QCoreApplication::processEvents();
    }
    timer.report("check-box click with repaint and total, each", kClicks);
    std::printf("ticked total shown: %s\n", qPrintable(fix.fixPageTotalSizeText()->text()));

    // Four categories selected, then Space twice: all unticked, then all ticked again.
    int changes = 0;
    QObject::connect(fix.model(), &QAbstractItemModel::dataChanged, &view, [&changes] { ++changes; });
    view.selectionModel()->clearSelection();
    for (int c = 0; c < 4; ++c)
        view.selectionModel()->select(fix.model()->index(c, 0, junkItems),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    for (const char* what : { "Space on 4 categories (40,000 paths): untick", "  and tick again" }) {
        changes = 0;
        timer.restart();
        view.setSelectedTicks();
        QCoreApplication::processEvents();
        timer.report(what);
        std::printf("  model changes signalled: %d; total shown: %s\n", changes,
            qPrintable(fix.fixPageTotalSizeText()->text()));
    }
    return 0;
}
