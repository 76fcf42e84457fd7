#include "removal/BrowserDatabaseCleaner.h"

#include "platform/Locations.h"
#include "platform/PrivateFolder.h"
#include "platform/SystemLog.h"
#include "removal/RemovalConfinement.h"
#include "removal/SqliteDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

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

// Copies exactly `size` bytes of `from` to `to`, the header's mode bytes set
// to `version` when it is not 0. Answers why it failed.
std::optional<QString> copyContents(int from, int to, off_t size, char version)
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
        QByteArray chunk = buffer.left(got);
        if (done == 0 && version != 0 && chunk.startsWith(kHeaderMagic) && got > kHeaderVersionOffset + 1) {
            chunk[kHeaderVersionOffset] = version;
            chunk[kHeaderVersionOffset + 1] = version;
        }
        for (qsizetype written = 0; written < chunk.size();) {
            const ssize_t put = write(to, chunk.constData() + written, size_t(chunk.size() - written));
            if (put < 0 && errno != EINTR)
                return systemError();
            written += put > 0 ? put : 0;
        }
        done += got;
    }
    if (done != size)
        return QStringLiteral("it changed while it was read");
    return std::nullopt;
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

// Runs the recipe on the private copy and compacts it into `compacted`;
// answers why it failed. A copy cleaned but not compacted is still used.
std::optional<QString> cleanCopy(const QString& copy, const QString& compacted, const QString& path,
    const Recipe& recipe, const BrowserDatabaseCleaner::Options& options, bool* isCompacted)
{
    SqliteDatabase db(copy, options.timeLimit);
    QStringList pages;
    // Whatever its schema does, the file may not grow by more than the room
    // an index rebalanced by the clean may take.
    if (!db.column(QStringLiteral("PRAGMA page_count"), &pages) || pages.size() != 1
        || !db.exec(
            QStringLiteral("PRAGMA max_page_count = %1").arg(pages.first().toLongLong() * 17 / 16 + 32)))
        return db.errorText();
    QStringList check;
    if (!db.column(QStringLiteral("PRAGMA quick_check"), &check))
        return db.errorText();
    // A damaged database is the user's to rescue; compacting it could lose more.
    if (check != QStringList { QStringLiteral("ok") })
        return QStringLiteral("the database is damaged");
    for (const char* table : recipe.requiredTables) {
        if (!db.hasTable(QLatin1String(table)))
            return QStringLiteral("it has no table %1").arg(QLatin1String(table));
    }
    if (!db.exec(QStringLiteral("BEGIN")))
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
    // Never blocks: a FIFO in its place opens at once, and is then refused.
    const Descriptor database(
        openat(folder.get(), name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!database.isOpen())
        return errno == ELOOP ? QStringLiteral("it is not a regular file") : systemError();
    struct stat original { };
    if (fstat(database.get(), &original) != 0)
        return systemError();
    if (!S_ISREG(original.st_mode))
        return QStringLiteral("it is not a regular file");
    if (original.st_uid != geteuid())
        return QStringLiteral("it belongs to another user");
    // Another name of the same file would be cleaned too, wherever it is.
    if (original.st_nlink != 1)
        return QStringLiteral("it has more than one link");
    if (auto locked = lockAgainstWriters(database.get()))
        return locked;
    if (auto side = sideFileIn(folder.get(), name))
        return side;

    const PrivateFolder work(options.temporaryFolder);
    if (!work.isValid())
        return work.errorText();
    const Descriptor copy(openat(work.descriptor(), "copy.sqlite",
        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (!copy.isOpen())
        return systemError();
    QByteArray header(kHeaderVersionOffset + 2, '\0');
    const bool wal = pread(database.get(), header.data(), size_t(header.size()), 0) == header.size()
        && isWalHeader(header);
    // A WAL database would have SQLite look for its WAL beside the copy: the
    // copy is told it has none, and the cleaned file is told so again.
    if (auto failure = copyContents(database.get(), copy.get(), original.st_size, wal ? 1 : 0))
        return failure;
    bool compacted = false;
    if (auto failure = cleanCopy(work.path() + QStringLiteral("/copy.sqlite"),
            work.path() + QStringLiteral("/compacted.sqlite"), path, recipe, options, &compacted))
        return failure;
    const Descriptor cleaned(openat(work.descriptor(), compacted ? "compacted.sqlite" : "copy.sqlite",
        O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!cleaned.isOpen())
        return systemError();
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
    return { QStringLiteral("History"), QStringLiteral("Form Values") };
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
