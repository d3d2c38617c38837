#pragma once

// Direct access to a store's file, to plant what Brimvale itself never writes
// and to look at what it left behind.

#include <QFile>
#include <QString>
#include <QVariant>

#include <sqlite3.h>

#include <optional>

namespace SqliteTestUtil {

// Runs `sql` on the file; returns an empty string or SQLite's error message.
inline QString exec(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    QString error;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        char *message = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK)
            error = QString::fromUtf8(message);
        sqlite3_free(message);
    }
    sqlite3_close(db);
    return error;
}

// The first column of the first row of `sql`, or nullopt on no row or an error.
inline std::optional<QVariant> value(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    std::optional<QVariant> result;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            switch (sqlite3_column_type(statement, 0)) {
            case SQLITE_INTEGER:
                result = QVariant(qint64(sqlite3_column_int64(statement, 0)));
                break;
            case SQLITE_NULL:
                result = QVariant();
                break;
            default:
                result = QVariant(QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)),
                    sqlite3_column_bytes(statement, 0)));
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

} // namespace SqliteTestUtil
