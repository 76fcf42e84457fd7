#include "removal/SqliteDatabase.h"

#include <QFile>

#include <sqlite3.h>

namespace {

// Long enough to ride out a browser's short write, short enough not to hang
// the removal while a running browser holds its database for good.
constexpr int kBusyTimeoutMs = 100;

} // namespace

SqliteDatabase::SqliteDatabase(const QString& path)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW;
    const int status = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (status != SQLITE_OK) {
        m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(status));
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close(m_db);
}

bool SqliteDatabase::fail()
{
    m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("the database is not open");
    return false;
}

bool SqliteDatabase::exec(const QString& sql)
{
    if (!m_db || sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail();
    return true;
}

bool SqliteDatabase::column(const QString& sql, QStringList* values)
{
    values->clear();
    sqlite3_stmt* statement = nullptr;
    if (!m_db || sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
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
