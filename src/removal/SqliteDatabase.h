#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

struct sqlite3;

// One connection to a database file of unknown origin, a private copy that
// nobody else can reach: opened for reading and writing but never created,
// never through a link, and with nothing the file says run as code: triggers
// and views off, defensive mode on, the schema not trusted, no journal on
// disk. A statement still running at the time limit
// is ended. Failures are values: each call answers whether it worked and
// errorText() says why not.
class SqliteDatabase final {
public:
    SqliteDatabase(const QString& path, std::chrono::milliseconds timeLimit);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    bool isOpen() const { return m_db != nullptr; }
    QString errorText() const { return m_error; }

    // Runs one or more statements that return no rows.
    bool exec(const QString& sql);
    // The first column of every row the statement returns, as text.
    bool column(const QString& sql, QStringList* values);
    // Runs the statement once for every value, bound as its one parameter.
    bool execForEach(const QString& sql, const QStringList& values);
    bool hasTable(const QString& table);
    bool hasColumn(const QString& table, const QString& column);

private:
    bool fail();
    bool isUsable();
    static int pastDeadline(void* connection);

    sqlite3* m_db = nullptr;
    QString m_error;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_timedOut = false;
};
