#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// One connection to an existing SQLite database, opened for reading and
// writing but never created, and never through a link. Failures are values:
// each call answers whether it worked and errorText() says why not.
class SqliteDatabase final {
public:
    explicit SqliteDatabase(const QString& path);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    bool isOpen() const { return m_db != nullptr; }
    QString errorText() const { return m_error; }

    // Runs one or more statements that return no rows.
    bool exec(const QString& sql);
    // The first column of every row the statement returns, as text.
    bool column(const QString& sql, QStringList* values);
    bool hasTable(const QString& table);
    bool hasColumn(const QString& table, const QString& column);

private:
    bool fail();

    sqlite3* m_db = nullptr;
    QString m_error;
};
