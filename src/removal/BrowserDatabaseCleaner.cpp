#include "removal/BrowserDatabaseCleaner.h"

#include "platform/SystemLog.h"
#include "removal/SqliteDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <sys/stat.h>

namespace {

// One statement of a clean; it runs when its table exists and, if a column
// is named, the table has that column, so a table an older or newer browser
// lacks is passed over. The tables a clean cannot do without are required.
struct Step {
    const char* table;
    const char* column;
    const char* sql;
};

struct Recipe {
    const char* fileName;
    std::initializer_list<const char*> requiredTables;
    std::initializer_list<Step> steps;
};

// As Firefox's own "Clear history": every visit goes, and every page that no
// bookmark (tags are bookmarks too), keyword or page annotation refers to.
// Item annotations name bookmarks, whose pages are kept already. Frecency is
// set to -1, Firefox's mark for "compute again", so that a bookmarked page is
// scored from its bookmark alone and stays among the address bar's
// suggestions; 0 would hide it there until its next visit. "place:" queries
// get 0 as Firefox gives them, never being suggested. Origins are what the
// address bar completes: only those of the remaining pages stay. The download
// list is history too: its page annotations ("downloads/...") go first, so
// that the pages only they kept go with the other history.
const Recipe kPlaces {
    "places.sqlite",
    { "moz_places", "moz_historyvisits", "moz_bookmarks", "moz_keywords", "moz_inputhistory", "moz_origins" },
    {
        { "moz_historyvisits", nullptr, "DELETE FROM moz_historyvisits" },
        { "moz_historyvisits_extra", nullptr, "DELETE FROM moz_historyvisits_extra" },
        { "moz_places_metadata", nullptr, "DELETE FROM moz_places_metadata" },
        { "moz_places_metadata_search_queries", nullptr, "DELETE FROM moz_places_metadata_search_queries" },
        { "moz_places", nullptr, "CREATE TEMP TABLE kept_places (id INTEGER PRIMARY KEY)" },
        { "moz_bookmarks", nullptr,
            "INSERT OR IGNORE INTO temp.kept_places SELECT fk FROM moz_bookmarks WHERE fk NOT NULL" },
        { "moz_keywords", nullptr,
            "INSERT OR IGNORE INTO temp.kept_places SELECT place_id FROM moz_keywords WHERE place_id NOT "
            "NULL" },
        { "moz_anno_attributes", nullptr,
            "DELETE FROM moz_annos WHERE anno_attribute_id IN "
            "(SELECT id FROM moz_anno_attributes WHERE name GLOB 'downloads/*')" },
        { "moz_annos", nullptr,
            "INSERT OR IGNORE INTO temp.kept_places SELECT place_id FROM moz_annos WHERE place_id NOT NULL" },
        { "moz_places", nullptr, "DELETE FROM moz_places WHERE id NOT IN (SELECT id FROM temp.kept_places)" },
        { "moz_places", nullptr, "DROP TABLE temp.kept_places" },
        { "moz_places_extra", nullptr,
            "DELETE FROM moz_places_extra WHERE place_id NOT IN (SELECT id FROM moz_places)" },
        { "moz_places", nullptr,
            "UPDATE moz_places SET visit_count = 0, last_visit_date = NULL, "
            "frecency = CASE WHEN url LIKE 'place:%' THEN 0 ELSE -1 END" },
        { "moz_places", "typed", "UPDATE moz_places SET typed = 0" },
        { "moz_places", "recalc_frecency", "UPDATE moz_places SET recalc_frecency = 1" },
        { "moz_places", "recalc_alt_frecency", "UPDATE moz_places SET recalc_alt_frecency = 1" },
        { "moz_inputhistory", nullptr, "DELETE FROM moz_inputhistory" },
        { "moz_origins", nullptr,
            "DELETE FROM moz_origins WHERE id NOT IN "
            "(SELECT origin_id FROM moz_places WHERE origin_id NOT NULL)" },
    },
};

// The form entries the browser offers back, nothing else: addresses
// ("autofill_profiles*", "addresses*"), payment cards and search engines
// ("keywords") share the file and stay.
const Recipe kWebData {
    "Web Data",
    { "autofill" },
    {
        { "autofill", nullptr, "DELETE FROM autofill" },
        { "autofill_dates", nullptr, "DELETE FROM autofill_dates" },
    },
};

const Recipe* recipeFor(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    for (const Recipe* recipe : { &kPlaces, &kWebData }) {
        if (name == QLatin1String(recipe->fileName))
            return recipe;
    }
    return nullptr;
}

// Answers why the database was left as it was, or nothing when it was cleaned.
std::optional<QString> cleanWith(const QString& path, const Recipe& recipe)
{
    // A link may lead anywhere, and a database that is not there must not be created.
    struct stat info { };
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a regular file");

    SqliteDatabase db(path);
    // Taking the write lock first means a running browser is found out
    // before anything is read, and nobody writes between check and clean.
    if (!db.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return db.errorText();
    const auto abandon = [&db](const QString& reason) {
        db.exec(QStringLiteral("ROLLBACK"));
        return std::optional<QString>(reason);
    };
    QStringList check;
    if (!db.column(QStringLiteral("PRAGMA quick_check"), &check))
        return abandon(db.errorText());
    // A damaged database is the user's to rescue; compacting it could lose more.
    if (check != QStringList { QStringLiteral("ok") })
        return abandon(QStringLiteral("the database is damaged"));
    for (const char* table : recipe.requiredTables) {
        if (!db.hasTable(QLatin1String(table)))
            return abandon(QStringLiteral("it has no table %1").arg(QLatin1String(table)));
    }
    for (const Step& step : recipe.steps) {
        const QString table = QLatin1String(step.table);
        if (!db.hasTable(table) || (step.column && !db.hasColumn(table, QLatin1String(step.column))))
            continue;
        if (!db.exec(QString::fromUtf8(step.sql)))
            return abandon(db.errorText());
    }
    if (!db.exec(QStringLiteral("COMMIT")))
        return abandon(db.errorText());
    // The deleted rows stay readable in free pages until the file is rebuilt.
    // The clean itself is done, so a failure here is only told.
    if (!db.exec(QStringLiteral("VACUUM")))
        SystemLog::write(QStringLiteral("Cannot compact %1: %2").arg(path, db.errorText()));
    return std::nullopt;
}

} // namespace

bool BrowserDatabaseCleaner::isDatabaseToClean(const QString& path)
{
    return recipeFor(path) != nullptr;
}

bool BrowserDatabaseCleaner::clean(const QString& path)
{
    const Recipe* recipe = recipeFor(path);
    const std::optional<QString> reason
        = recipe ? cleanWith(path, *recipe) : QStringLiteral("it is not a browser database Velmora cleans");
    if (!reason)
        return true;
    SystemLog::write(QStringLiteral("Cannot clean %1: %2").arg(path, *reason));
    return false;
}
