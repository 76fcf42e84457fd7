#include "removal/SqliteDatabase.h"

#include <QFile>

#include <sqlite3.h>

namespace {

// Virtual machine steps between two looks at the clock: a few microseconds.
constexpr int kStepsBetweenChecks = 1000;

} // namespace

SqliteDatabase::SqliteDatabase(const QString& path, std::chrono::milliseconds timeLimit)
    : m_deadline(std::chrono::steady_clock::now() + timeLimit)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE;
    const int status = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (status != SQLITE_OK) {
        m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(status));
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    for (const int option : { SQLITE_DBCONFIG_ENABLE_TRIGGER, SQLITE_DBCONFIG_ENABLE_VIEW,
             SQLITE_DBCONFIG_TRUSTED_SCHEMA, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION })
        sqlite3_db_config(m_db, option, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_progress_handler(m_db, kStepsBetweenChecks, &SqliteDatabase::pastDeadline, this);
    // The copy is thrown away on any failure, so a journal in memory is
    // enough, and temporary tables never reach a file.
    if (!exec(QStringLiteral("PRAGMA trusted_schema = OFF; PRAGMA journal_mode = MEMORY; "
                             "PRAGMA temp_store = MEMORY"))) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close(m_db);
}

int SqliteDatabase::pastDeadline(void* connection)
{
    auto* self = static_cast<SqliteDatabase*>(connection);
    self->m_timedOut = self->m_timedOut || std::chrono::steady_clock::now() >= self->m_deadline;
    return self->m_timedOut ? 1 : 0;
}

bool SqliteDatabase::fail()
{
    if (m_timedOut)
        m_error = QStringLiteral("the clean took longer than its time limit");
    else if (m_db)
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
    else if (m_error.isEmpty())
        m_error = QStringLiteral("the database is not open");
    return false;
}

bool SqliteDatabase::isUsable()
{
    // The progress handler sees only statements long enough to call it.
    return m_db && pastDeadline(this) == 0;
}

bool SqliteDatabase::exec(const QString& sql)
{
    if (!isUsable() || sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail();
    return true;
}

bool SqliteDatabase::column(const QString& sql, QStringList* values)
{
    values->clear();
    sqlite3_stmt* statement = nullptr;
    if (!isUsable()
        || sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        return fail();
    int status = SQLITE_ROW;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        values->append(text ? QString::fromUtf8(text) : QString());
    }
    const bool done = status == SQLITE_DONE || fail();
    sqlite3_finalize(statement);
    return done;
}

bool SqliteDatabase::execForEach(const QString& sql, const QStringList& values)
{
    sqlite3_stmt* statement = nullptr;
    if (!isUsable()
        || sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        return fail();
    bool done = true;
    for (const QString& value : values) {
        const QByteArray text = value.toUtf8();
        if (sqlite3_bind_text(statement, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT) != SQLITE_OK
            || sqlite3_step(statement) != SQLITE_DONE || sqlite3_reset(statement) != SQLITE_OK) {
            done = fail();
            break;
        }
    }
    sqlite3_finalize(statement);
    return done;
}

bool SqliteDatabase::hasTable(const QString& table)
{
    QStringList names;
    return column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"), &names)
        && names.contains(table);
}

bool SqliteDatabase::hasColumn(const QString& table, const QString& column)
{
    QStringList names;
    return this->column(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table), &names)
        && names.contains(column);
}
