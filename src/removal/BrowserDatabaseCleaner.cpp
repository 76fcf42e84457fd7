#include "removal/BrowserDatabaseCleaner.h"

#include "platform/Locations.h"
#include "platform/PrivateFolder.h"
#include "platform/SystemLog.h"
#include "removal/RemovalConfinement.h"
#include "removal/SqliteDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStringList>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One statement of a clean; it runs when its table exists and, if a column
// is named, the table has that column, so a table an older or newer browser
// lacks is passed over. The tables a clean cannot do without are required.
struct Step {
    const char* table;
    const char* column;
    const char* sql;
};

// Where a clean learns which pages the user bookmarked: the pages whose
// data it keeps, as "temp.bookmarked" (url).
enum class Bookmarks { NotNeeded, FirefoxPlaces, ChromiumJson };

struct Recipe {
    const char* fileName;
    std::initializer_list<const char*> requiredTables;
    std::initializer_list<Step> steps;
    Bookmarks bookmarks = Bookmarks::NotNeeded;
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

// A bookmark whose icon vanished is what users hold against a cleaner most:
// the icons of bookmarked pages stay, every other page's go. Firefox maps no
// page to its site's own "/favicon.ico" and finds that icon by the site, so
// such icons of a bookmarked page's site ("temp.site_icons") stay too.
const Recipe kFirefoxIcons {
    "favicons.sqlite",
    { "moz_icons", "moz_pages_w_icons", "moz_icons_to_pages" },
    {
        { "moz_pages_w_icons", nullptr,
            "DELETE FROM moz_pages_w_icons WHERE page_url NOT IN (SELECT url FROM temp.bookmarked)" },
        { "moz_icons_to_pages", nullptr,
            "DELETE FROM moz_icons_to_pages WHERE page_id NOT IN (SELECT id FROM moz_pages_w_icons)" },
        { "moz_icons", "root",
            "DELETE FROM moz_icons WHERE id NOT IN "
            "(SELECT icon_id FROM moz_icons_to_pages WHERE icon_id NOT NULL) "
            "AND NOT (root = 1 AND icon_url IN (SELECT url FROM temp.site_icons))" },
    },
    Bookmarks::FirefoxPlaces,
};

const Recipe kChromiumIcons {
    "Favicons",
    { "favicons", "favicon_bitmaps", "icon_mapping" },
    {
        { "icon_mapping", nullptr,
            "DELETE FROM icon_mapping WHERE page_url NOT IN (SELECT url FROM temp.bookmarked)" },
        { "favicons", nullptr,
            "DELETE FROM favicons WHERE id NOT IN (SELECT icon_id FROM icon_mapping WHERE icon_id NOT "
            "NULL)" },
        { "favicon_bitmaps", nullptr,
            "DELETE FROM favicon_bitmaps WHERE icon_id NOT IN (SELECT id FROM favicons)" },
    },
    Bookmarks::ChromiumJson,
};

const Recipe* recipeFor(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    for (const Recipe* recipe : { &kPlaces, &kWebData, &kFirefoxIcons, &kChromiumIcons }) {
        if (name == QLatin1String(recipe->fileName))
            return recipe;
    }
    return nullptr;
}

// Closes the descriptor it holds when it goes.
class Descriptor final {
public:
    explicit Descriptor(int descriptor)
        : m_descriptor(descriptor)
    {
    }
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            close(m_descriptor);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_descriptor; }
    bool isOpen() const { return m_descriptor >= 0; }
    void reset(int descriptor)
    {
        if (m_descriptor >= 0)
            close(m_descriptor);
        m_descriptor = descriptor;
    }

private:
    int m_descriptor;
};

QString systemError(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// What SQLite writes beside a database while it is open or after a crash.
constexpr const char* kSideFiles[] = { "-journal", "-wal", "-shm" };

// The bytes SQLite locks in every database file, whatever its size: the
// pending, reserved and shared lock bytes at 1 GiB.
constexpr off_t kLockBytesStart = 0x40000000;
constexpr off_t kLockBytesLength = 2 + 510;

// Bytes 18 and 19 of the header: 2 for a database in WAL mode, 1 otherwise.
constexpr qsizetype kHeaderVersionOffset = 18;
const QByteArray kHeaderMagic("SQLite format 3\0", 16);

bool isWalHeader(const QByteArray& start)
{
    return start.startsWith(kHeaderMagic) && start.size() > kHeaderVersionOffset + 1
        && start.at(kHeaderVersionOffset) == 2 && start.at(kHeaderVersionOffset + 1) == 2;
}

// Hands exactly `size` bytes of `from` to `take` in chunks, each with its
// offset; a file that is then longer or shorter changed while it was read.
// Answers why it failed.
std::optional<QString> readExactly(
    int from, off_t size, const std::function<std::optional<QString>(QByteArray, off_t)>& take)
{
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    off_t done = 0;
    for (;;) {
        const ssize_t got = pread(from, buffer.data(), size_t(buffer.size()), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return systemError();
        if (got == 0 || done + got > size)
            break;
        if (auto failure = take(buffer.left(got), done))
            return failure;
        done += got;
    }
    if (done != size)
        return QStringLiteral("it changed while it was read");
    return std::nullopt;
}

// Copies exactly `size` bytes of `from` to `to`, the header's mode bytes set
// to `version` when it is not 0. Answers why it failed.
std::optional<QString> copyContents(int from, int to, off_t size, char version)
{
    return readExactly(from, size, [to, version](QByteArray chunk, off_t at) -> std::optional<QString> {
        if (at == 0 && version != 0 && chunk.startsWith(kHeaderMagic)
            && chunk.size() > kHeaderVersionOffset + 1) {
            chunk[kHeaderVersionOffset] = version;
            chunk[kHeaderVersionOffset + 1] = version;
        }
        for (qsizetype written = 0; written < chunk.size();) {
            const ssize_t put = write(to, chunk.constData() + written, size_t(chunk.size() - written));
            if (put < 0 && errno != EINTR)
                return systemError();
            written += put > 0 ? put : 0;
        }
        return std::nullopt;
    });
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

bool isStrictlyInside(const QString& path, const QString& folder)
{
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    const QStringList above = folder.split(u'/', Qt::SkipEmptyParts);
    return !above.isEmpty() && parts.size() > above.size() && parts.mid(0, above.size()) == above;
}

// Holds off every SQLite writer of the file until the descriptor closes (an
// open file description's read lock on SQLite's lock bytes), and answers
// whether another connection holds or reads the database now.
std::optional<QString> lockAgainstWriters(int database)
{
    struct flock lock { };
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kLockBytesStart;
    lock.l_len = kLockBytesLength;
    if (fcntl(database, F_OFD_SETLK, &lock) != 0)
        return errno == EAGAIN || errno == EACCES ? QStringLiteral("database is locked") : systemError();
    lock.l_type = F_WRLCK;
    if (fcntl(database, F_OFD_GETLK, &lock) != 0)
        return systemError();
    if (lock.l_type != F_UNLCK)
        return QStringLiteral("database is locked");
    return std::nullopt;
}

// A journal, WAL or shared-memory file of any kind beside the database: a
// browser has it open or crashed with it. Only looked at, never opened, so a
// FIFO there cannot hang the clean. An empty journal is what a browser in
// TRUNCATE journal mode leaves after every transaction; SQLite itself never
// reads one.
std::optional<QString> sideFileIn(int folder, const QByteArray& name)
{
    for (const char* suffix : kSideFiles) {
        const QByteArray side = name + suffix;
        struct stat info { };
        if (fstatat(folder, side.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            return systemError();
        }
        if (std::strcmp(suffix, "-journal") == 0 && S_ISREG(info.st_mode) && info.st_size == 0)
            continue;
        return QStringLiteral("%1 lies beside it: the browser runs or did not close it")
            .arg(QFile::decodeName(side));
    }
    return std::nullopt;
}

// Opens the named file of the folder for reading, without waiting on a FIFO
// and never through a link, and answers why it is not a regular file of the
// running user.
std::optional<QString> openOwnFile(int folder, const QByteArray& name, Descriptor* file, struct stat* info)
{
    const int opened
        = openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened < 0)
        return errno == ELOOP ? QStringLiteral("it is not a regular file") : systemError();
    file->reset(opened);
    if (fstat(file->get(), info) != 0)
        return systemError();
    if (!S_ISREG(info->st_mode))
        return QStringLiteral("it is not a regular file");
    if (info->st_uid != geteuid())
        return QStringLiteral("it belongs to another user");
    return std::nullopt;
}

// Copies the database into the private folder as `copyName` once no other
// connection holds it or left a journal beside it; the lock taken holds off
// writers for as long as `database` stays open. A WAL database would have
// SQLite look for its WAL beside the copy: the copy is told it has none.
std::optional<QString> takePrivateCopy(int folder, const QByteArray& name, int database,
    const struct stat& original, const PrivateFolder& work, const char* copyName, bool* wal)
{
    if (auto locked = lockAgainstWriters(database))
        return locked;
    if (auto side = sideFileIn(folder, name))
        return side;
    const Descriptor copy(openat(work.descriptor(), copyName,
        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (!copy.isOpen())
        return systemError();
    QByteArray header(kHeaderVersionOffset + 2, '\0');
    *wal = pread(database, header.data(), size_t(header.size()), 0) == header.size() && isWalHeader(header);
    return copyContents(database, copy.get(), original.st_size, *wal ? 1 : 0);
}

// Answers why the copy cannot be worked on: damaged, or without a table the
// work needs.
std::optional<QString> unusable(SqliteDatabase& db, std::initializer_list<const char*> requiredTables)
{
    QStringList check;
    if (!db.column(QStringLiteral("PRAGMA quick_check"), &check))
        return db.errorText();
    // A damaged database is the user's to rescue; compacting it could lose more.
    if (check != QStringList { QStringLiteral("ok") })
        return QStringLiteral("the database is damaged");
    for (const char* table : requiredTables) {
        if (!db.hasTable(QLatin1String(table)))
            return QStringLiteral("it has no table %1").arg(QLatin1String(table));
    }
    return std::nullopt;
}

// The bookmarked pages of the profile's places.sqlite, read from a private
// copy taken as the one cleaned is: never opened in place, where SQLite would
// replay or delete a journal beside it.
std::optional<QString> readFirefoxBookmarks(
    int folder, const PrivateFolder& work, const BrowserDatabaseCleaner::Options& options, QStringList* pages)
{
    const QByteArray name("places.sqlite");
    Descriptor places(-1);
    struct stat original { };
    if (auto failure = openOwnFile(folder, name, &places, &original))
        return failure;
    bool wal = false;
    if (auto failure = takePrivateCopy(folder, name, places.get(), original, work, "bookmarks.sqlite", &wal))
        return failure;
    SqliteDatabase db(work.path() + QStringLiteral("/bookmarks.sqlite"), options.timeLimit);
    if (auto failure = unusable(db, { "moz_places", "moz_bookmarks" }))
        return failure;
    if (!db.column(QStringLiteral("SELECT url FROM moz_places WHERE url NOT NULL AND id IN "
                                  "(SELECT fk FROM moz_bookmarks WHERE fk NOT NULL)"),
            pages))
        return db.errorText();
    return std::nullopt;
}

// Chromium writes its bookmarks file whole on every change; none a person
// keeps comes near this.
constexpr off_t kMaxBookmarksFileSize = off_t(64) << 20;

// The bookmarked pages of the profile's "Bookmarks" file, at every depth of
// folders the user made.
std::optional<QString> readChromiumBookmarks(int folder, QStringList* pages)
{
    Descriptor file(-1);
    struct stat info { };
    if (auto failure = openOwnFile(folder, QByteArrayLiteral("Bookmarks"), &file, &info))
        return failure;
    if (info.st_size > kMaxBookmarksFileSize)
        return QStringLiteral("it is larger than 64 MiB");
    QByteArray text;
    text.reserve(qsizetype(info.st_size));
    if (auto failure = readExactly(file.get(), info.st_size, [&text](QByteArray chunk, off_t) {
            text += chunk;
            return std::optional<QString>();
        }))
        return failure;
    QJsonParseError error {};
    const QJsonObject roots = QJsonDocument::fromJson(text, &error).object().value(u"roots").toObject();
    if (error.error != QJsonParseError::NoError || roots.isEmpty())
        return QStringLiteral("it is not a bookmarks file");
    // Folders nest as deep as the parser allows: walked without recursion.
    QList<QJsonValue> pending;
    for (auto root = roots.begin(); root != roots.end(); ++root)
        pending.append(root.value());
    while (!pending.isEmpty()) {
        const QJsonObject node = pending.takeLast().toObject();
        const QJsonValue url = node.value(u"url");
        if (node.value(u"type").toString() == u"url" && url.isString())
            pages->append(url.toString());
        for (const QJsonValue child : node.value(u"children").toArray())
            pending.append(child);
    }
    return std::nullopt;
}

// Where Firefox looks for a site's own icon: "/favicon.ico" of the page's
// site, with or without "www." and whichever of http and https.
QStringList siteIconsOf(const QStringList& pages)
{
    QStringList icons;
    for (const QString& page : pages) {
        const QUrl url(page);
        if ((url.scheme() != u"http" && url.scheme() != u"https") || url.host().isEmpty())
            continue;
        QString host = url.host(QUrl::FullyEncoded);
        if (host.startsWith(u"www."))
            host = host.mid(4);
        const QString port = url.port() >= 0 ? u':' + QString::number(url.port()) : QString();
        for (const char* scheme : { "http://", "https://" }) {
            for (const char* www : { "", "www." })
                icons.append(QLatin1String(scheme) + QLatin1String(www) + host + port
                    + QStringLiteral("/favicon.ico"));
        }
    }
    return icons;
}

std::optional<QString> readBookmarks(Bookmarks source, int folder, const PrivateFolder& work,
    const BrowserDatabaseCleaner::Options& options, QStringList* pages)
{
    const bool firefox = source == Bookmarks::FirefoxPlaces;
    const std::optional<QString> failure
        = firefox ? readFirefoxBookmarks(folder, work, options, pages) : readChromiumBookmarks(folder, pages);
    if (!failure)
        return std::nullopt;
    // Without them every bookmark's icon would go: nothing goes.
    return QStringLiteral("its bookmarks in %1 cannot be read: %2")
        .arg(firefox ? QStringLiteral("places.sqlite") : QStringLiteral("Bookmarks"), *failure);
}

// Runs the recipe on the private copy and compacts it into `compacted`;
// answers why it failed. A copy cleaned but not compacted is still used.
std::optional<QString> cleanCopy(const QString& copy, const QString& compacted, const QString& path,
    const Recipe& recipe, const QStringList& bookmarked, const BrowserDatabaseCleaner::Options& options,
    bool* isCompacted)
{
    SqliteDatabase db(copy, options.timeLimit);
    QStringList pages;
    // Whatever its schema does, the file may not grow by more than the room
    // an index rebalanced by the clean may take.
    if (!db.column(QStringLiteral("PRAGMA page_count"), &pages) || pages.size() != 1
        || !db.exec(
            QStringLiteral("PRAGMA max_page_count = %1").arg(pages.first().toLongLong() * 17 / 16 + 32)))
        return db.errorText();
    if (auto failure = unusable(db, recipe.requiredTables))
        return failure;
    if (!db.exec(QStringLiteral("BEGIN")))
        return db.errorText();
    if (recipe.bookmarks != Bookmarks::NotNeeded
        && (!db.exec(QStringLiteral("CREATE TEMP TABLE bookmarked (url TEXT PRIMARY KEY); "
                                    "CREATE TEMP TABLE site_icons (url TEXT PRIMARY KEY)"))
            || !db.execForEach(
                QStringLiteral("INSERT OR IGNORE INTO temp.bookmarked VALUES (?1)"), bookmarked)
            || !db.execForEach(QStringLiteral("INSERT OR IGNORE INTO temp.site_icons VALUES (?1)"),
                siteIconsOf(bookmarked))))
        return db.errorText();
    for (const Step& step : recipe.steps) {
        const QString table = QLatin1String(step.table);
        if (!db.hasTable(table) || (step.column && !db.hasColumn(table, QLatin1String(step.column))))
            continue;
        if (!db.exec(QString::fromUtf8(step.sql)))
            return db.errorText();
    }
    if (!db.exec(QStringLiteral("COMMIT")))
        return db.errorText();
    // The deleted rows stay readable in free pages until the file is rebuilt.
    // The clean itself is done, so a failure here is only told.
    QString quoted = compacted;
    *isCompacted
        = db.exec(QStringLiteral("VACUUM INTO '%1'").arg(quoted.replace(u'\'', QStringLiteral("''"))));
    if (!*isCompacted)
        SystemLog::write(QStringLiteral("Cannot compact %1: %2").arg(path, db.errorText()));
    return std::nullopt;
}

// Writes the cleaned file beside the original under a name of its own, then
// renames it over the original if that is still the file that was read.
std::optional<QString> replace(int folder, const QByteArray& name, int cleaned, const struct stat& original,
    char version, const BrowserDatabaseCleaner::Options& options)
{
    struct stat made { };
    if (fstat(cleaned, &made) != 0)
        return systemError();
    QByteArray temporary;
    int descriptor = -1;
    for (int attempt = 0; descriptor < 0 && attempt < 16; ++attempt) {
        temporary = '.' + name + ".velmora-" + QByteArray::number(QRandomGenerator::system()->generate(), 16);
        descriptor = openat(folder, temporary.constData(),
            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (descriptor < 0 && errno != EEXIST)
            return systemError();
    }
    if (descriptor < 0)
        return systemError(EEXIST);
    const Descriptor written(descriptor);
    std::optional<QString> failure = copyContents(cleaned, descriptor, made.st_size, version);
    // On disk before the rename, so that a crash leaves the old file or the new one.
    if (!failure && (fchmod(descriptor, original.st_mode & 07777) != 0 || fsync(descriptor) != 0))
        failure = systemError();
    if (!failure && options.beforeReplacing)
        options.beforeReplacing();
    struct stat now { };
    if (!failure
        && (fstatat(folder, name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 || !sameFile(now, original)))
        failure = QStringLiteral("it changed while it was cleaned");
    if (!failure && renameat(folder, temporary.constData(), folder, name.constData()) != 0)
        failure = systemError();
    if (failure) {
        unlinkat(folder, temporary.constData(), 0);
        return failure;
    }
    fsync(folder);
    return std::nullopt;
}

// Answers why the database was left as it was, or nothing when it was cleaned.
std::optional<QString> cleanWith(const QString& path, const Recipe& recipe,
    const RemovalConfinement& confinement, const BrowserDatabaseCleaner::Options& options)
{
    // Root's own databases are in root's home; one anywhere else was put
    // there by someone else for root to open.
    if (geteuid() == 0 && !isStrictlyInside(path, options.home))
        return QStringLiteral("run as the superuser, Velmora opens no database outside its home");
    QString reason;
    const Descriptor folder(confinement.openParent(path, &reason));
    if (!folder.isOpen())
        return reason;
    const QByteArray name = QFile::encodeName(QFileInfo(path).fileName());
    Descriptor database(-1);
    struct stat original { };
    if (auto failure = openOwnFile(folder.get(), name, &database, &original))
        return failure;
    // Another name of the same file would be cleaned too, wherever it is.
    if (original.st_nlink != 1)
        return QStringLiteral("it has more than one link");

    const PrivateFolder work(options.temporaryFolder);
    if (!work.isValid())
        return work.errorText();
    bool wal = false;
    if (auto failure
        = takePrivateCopy(folder.get(), name, database.get(), original, work, "copy.sqlite", &wal))
        return failure;
    QStringList bookmarked;
    if (recipe.bookmarks != Bookmarks::NotNeeded) {
        if (auto failure = readBookmarks(recipe.bookmarks, folder.get(), work, options, &bookmarked))
            return failure;
    }
    bool compacted = false;
    if (auto failure = cleanCopy(work.path() + QStringLiteral("/copy.sqlite"),
            work.path() + QStringLiteral("/compacted.sqlite"), path, recipe, bookmarked, options, &compacted))
        return failure;
    const Descriptor cleaned(openat(work.descriptor(), compacted ? "compacted.sqlite" : "copy.sqlite",
        O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!cleaned.isOpen())
        return systemError();
    // The cleaned file is told again it is a WAL database, as the browser left it.
    return replace(folder.get(), name, cleaned.get(), original, wal ? 2 : 0, options);
}

} // namespace

BrowserDatabaseCleaner::Options BrowserDatabaseCleaner::Options::from(const Locations& locations)
{
    Options options;
    options.home = locations.home;
    options.temporaryFolder = locations.temporaryFolder;
    return options;
}

QStringList BrowserDatabaseCleaner::cleanedCategories()
{
    return { QStringLiteral("History"), QStringLiteral("Form Values"), QStringLiteral("Page Icons") };
}

bool BrowserDatabaseCleaner::isDatabaseToClean(const QString& path)
{
    return recipeFor(path) != nullptr;
}

bool BrowserDatabaseCleaner::clean(
    const QString& path, const RemovalConfinement& confinement, const Options& options)
{
    const Recipe* recipe = recipeFor(path);
    const std::optional<QString> reason = recipe
        ? cleanWith(path, *recipe, confinement, options)
        : QStringLiteral("it is not a browser database Velmora cleans");
    if (!reason)
        return true;
    SystemLog::write(QStringLiteral("Cannot clean %1: %2").arg(path, *reason));
    return false;
}
