#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A prepared SQLite statement, finalized on destruction. Meant to be prepared
// once and run many times: reset() readies it for the next run and forgets the
// previous bindings.
class SqliteStatement final
{
public:
    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(SqliteStatement &&other) noexcept;
    SqliteStatement &operator=(SqliteStatement &&other) noexcept;
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // Returns an SQLite result code; the statement is valid only after SQLITE_OK.
    // An invalid statement binds nothing and its step() returns the code that
    // preparing it failed with.
    int prepare(sqlite3 *db, QByteArrayView sql);
    bool isValid() const { return m_statement != nullptr; }

    // Parameters count from 1. A failed bind is reported by the next step().
    void bind(int index, qint64 value);
    // Binds the UTF-8 bytes with their length, so NUL characters are kept.
    void bind(int index, const QString &text);
    // The same for bytes already in UTF-8, which are shared, not copied.
    void bindUtf8(int index, const QByteArray &utf8);

    // SQLITE_ROW while rows come, then SQLITE_DONE or an error code.
    int step();
    // Steps to the end and resets; returns SQLITE_DONE or the error code.
    int run();
    void reset();

    int columnType(int column) const;
    qint64 columnInt64(int column) const;
    // The column's text, decoded from UTF-8 with its stored length.
    QString columnText(int column) const;
    // The column's UTF-8 bytes, valid until the next step() or reset().
    QByteArrayView columnUtf8(int column) const;

private:
    void finalize();

    sqlite3_stmt *m_statement = nullptr;
    std::vector<QByteArray> m_boundTexts;
    int m_bindError = 0;
    int m_prepareError = 0;
};
