#pragma once

#include <QString>

#include <initializer_list>

struct sqlite3;

// Judging a table of the store before reading it, and moving one aside: each
// table of the file is judged on its own, so that a table of another shape (from
// another program, or the user's own) costs only what it holds.
namespace SqliteTables {

// A column the program relies on.
struct Column
{
    const char *name;
    // The table's sole primary key; with `integer`, the row id itself.
    bool primaryKey = false;
    bool integer = false;
};

struct Judgement
{
    enum class Shape {
        Absent,   // no table of that name
        Expected, // a table with every column needed (others may be there too)
        Other     // a view, or a table without one of the columns; `problem` says which
    };

    // An SQLite result code: not SQLITE_OK when the schema could not be read.
    int rc = 0;
    Shape shape = Shape::Absent;
    QString problem;
};

Judgement judge(sqlite3 *db, const char *table, std::initializer_list<Column> needed);

// Renames `table` to `<table>_unreadable_<yyyyMMddHHmmss>` (with a number after
// it if that name is taken); `keptAs` receives the new name. Returns an SQLite
// result code. Runs in the caller's transaction, if there is one.
int renameAside(sqlite3 *db, const QString &table, QString *keptAs);

} // namespace SqliteTables
