#include "ShellFixture.h"

#include "platform/Localization.h"
#include "platform/PropertyList.h"
#include "uninstaller/PackageLeftover.h"
#include "uninstaller/SupportFileChoices.h"
#include "uninstaller/UninstallConfirmation.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QStackedWidget>

#include <functional>

namespace {

using LanguageWalkTest = ShellFixture;
using Texts = QMap<QString, QString>;

void addRows(Texts& texts, const QString& where, const QAbstractItemModel& model, const QModelIndex& parent)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        for (int column = 0; column < model.columnCount(parent); ++column) {
            const QModelIndex cell = model.index(row, column, parent);
            const QString at = QStringLiteral("%1/%2,%3").arg(where).arg(row).arg(column);
            texts.insert(at, cell.data().toString());
            texts.insert(at + " tip", cell.data(Qt::ToolTipRole).toString());
        }
        addRows(texts, where + u'/' + QString::number(row), model, model.index(row, 0, parent));
    }
}

// Every text a user can read below `root`, shown now or later: labels, buttons,
// tooltips, titles, menu entries, column titles and rows; keyed by where it is.
Texts readableTexts(const QWidget& root)
{
    Texts texts;
    QList<const QWidget*> widgets { &root };
    for (const QWidget* child : root.findChildren<QWidget*>())
        widgets.append(child);
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        const QWidget* widget = widgets[i];
        const QString where = widget->objectName().isEmpty()
            ? QStringLiteral("%1 %2").arg(widget->metaObject()->className()).arg(i)
            : widget->objectName();
        texts.insert(where + " tip", widget->toolTip());
        if (widget->isWindow())
            texts.insert(where + " title", widget->windowTitle());
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            texts.insert(where, label->text());
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            texts.insert(where, button->text());
        if (const auto* view = qobject_cast<const QAbstractItemView*>(widget); view && view->model()) {
            for (int column = 0; column < view->model()->columnCount(); ++column)
                texts.insert(QStringLiteral("%1 column %2").arg(where).arg(column),
                    view->model()->headerData(column, Qt::Horizontal).toString());
            addRows(texts, where, *view->model(), view->rootIndex());
        }
    }
    const QList<QAction*> actions = root.findChildren<QAction*>();
    for (qsizetype i = 0; i < actions.size(); ++i)
        texts.insert(QStringLiteral("action %1 %2").arg(actions[i]->objectName()).arg(i), actions[i]->text());
    return texts;
}

} // namespace

// In German nothing readable is left in English: a text the same in both
// languages is one the German table lacks or the code does not look up.
// Only names, paths, numbers and words German shares with English may be alike.
TEST_F(LanguageWalkTest, EveryReadableTextOfEveryPageDialogAndMenuIsGermanInGerman)
{
    const QRegularExpression languageFree(
        QStringLiteral("^(Velmora|Cookies|Status:|[~/].*|.*https?://.*|[^A-Za-z]*|.*\\.(sqlite|log|bin))$"));
    QVariantMap results;
    for (const char* category : { "Internet Cache", "Cookies", "History", "Downloads List", "Form Values",
             "Page Icons", "System Logs", "System Cache", "Trash" })
        results.insert(category, QVariantList { m_sandbox.makeFile("home/x.log") });
    QDir().mkpath(m_sandbox.locations().resultsFolder);
    ASSERT_TRUE(PropertyList::writeXml(results, m_sandbox.locations().resultsFile()));

    const std::pair<const char*, std::function<Texts()>> surfaces[] = {
        { "every page, the About panel and the menus",
            [this] {
                ApplicationController& app = start();
                app.displayReviewPage();
                app.showFixPage();
                // At twice the scale a 1920x1080 screen has 960x540 to give, less a panel.
                app.window()->show();
                for (int page = 0; page < app.pagesTabView()->count(); ++page) {
                    app.setView(page);
                    const QSize least = app.window()->minimumSizeHint();
                    EXPECT_TRUE(least.width() <= 960 && least.height() <= 500) << page;
                }
                return readableTexts(*app.window());
            } },
        { "the uninstall confirmation",
            [] {
                SupportFileChoices choices("/opt/Tool", 100);
                return readableTexts(UninstallConfirmation(choices));
            } },
        { "the package rows",
            [] {
                return Texts { { "runtime", PackageLeftover::unusedRuntime("runtime/a", "system").label() },
                    { "revision", PackageLeftover::oldSnapRevision("a", "4").label() } };
            } },
    };
    for (const auto& surface : surfaces) {
        SCOPED_TRACE(surface.first);
        const auto in = [&texts = surface.second](const QString& language) {
            Localization::setLanguage(language);
            Localization::installQtTranslations();
            return texts();
        };
        const Texts german = in("de");
        const Texts english = in(QString());
        ASSERT_EQ(german.keys(), english.keys());
        QStringList alike;
        for (auto text = english.cbegin(); text != english.cend(); ++text) {
            if (german.value(text.key()) == *text && !languageFree.match(*text).hasMatch())
                alike << text.key() + ": " + *text;
        }
        EXPECT_TRUE(alike.isEmpty()) << qPrintable(alike.join(u'\n'));
    }
}
