#include "SqliteTables.h"

#include "SqliteDatabase.h"
#include "SqliteStatement.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>

#include <sqlite3.h>

#include <vector>

namespace SqliteTables {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SqliteTables", text);
}

struct TableColumn
{
    QString name;
    QString type;
    qint64 primaryKeyIndex = 0;
};

} // namespace

Judgement judge(sqlite3 *db, const char *table, std::initializer_list<Column> needed)
{
    Judgement judgement;
    const QString name = QString::fromLatin1(table);
    SqliteStatement kind;
    judgement.rc = kind.prepare(db, "SELECT type FROM sqlite_schema WHERE name = ?1");
    kind.bind(1, name);
    judgement.rc = kind.step();
    if (judgement.rc == SQLITE_DONE) {
        judgement.rc = SQLITE_OK;
        return judgement;
    }
    if (judgement.rc != SQLITE_ROW)
        return judgement;
    const QString type = kind.columnText(0);
    kind.reset();
    judgement.rc = SQLITE_OK;
    if (type != QLatin1StringView("table")) {
        judgement.shape = Judgement::Shape::Other;
        judgement.problem = tr("%1 is a %2, not a table").arg(name, type);
        return judgement;
    }

    SqliteStatement info;
    judgement.rc = info.prepare(db, "SELECT name, upper(type), pk FROM pragma_table_info(?1)");
    info.bind(1, name);
    std::vector<TableColumn> columns;
    qint64 primaryKeys = 0;
    while ((judgement.rc = info.step()) == SQLITE_ROW) {
        columns.push_back({info.columnText(0), info.columnText(1), info.columnInt64(2)});
        primaryKeys += columns.back().primaryKeyIndex > 0 ? 1 : 0;
    }
    if (judgement.rc != SQLITE_DONE)
        return judgement;
    judgement.rc = SQLITE_OK;
    for (const Column &column : needed) {
        const QString wanted = QString::fromLatin1(column.name);
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const TableColumn &c) {
            return c.name.compare(wanted, Qt::CaseInsensitive) == 0;
        });
        QString problem;
        if (found == columns.end())
            problem = tr("the table %1 has no column %2").arg(name, wanted);
        else if (column.primaryKey && (found->primaryKeyIndex != 1 || primaryKeys != 1))
            problem = tr("the column %2 of the table %1 is not its primary key").arg(name, wanted);
        else if (column.integer && found->type != QLatin1StringView("INTEGER"))
            problem = tr("the column %2 of the table %1 is not an INTEGER").arg(name, wanted);
        if (!problem.isEmpty()) {
            judgement.shape = Judgement::Shape::Other;
            judgement.problem = problem;
            return judgement;
        }
    }
    judgement.shape = Judgement::Shape::Expected;
    return judgement;
}

int renameAside(sqlite3 *db, const QString &table, QString *keptAs)
{
    SqliteStatement exists;
    int rc = exists.prepare(db, "SELECT 1 FROM sqlite_schema WHERE name = ?1");
    const QString base = table + QStringLiteral("_unreadable_") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    QString name = base;
    for (int n = 2; SqliteDatabase::isOk(rc); ++n) {
        exists.bind(1, name);
        rc = exists.step();
        exists.reset();
        if (rc != SQLITE_ROW)
            break;
        name = base + u'_' + QString::number(n);
    }
    if (!SqliteDatabase::isOk(rc))
        return rc;
    const QByteArray sql =
        "ALTER TABLE \"" + table.toUtf8() + "\" RENAME TO \"" + name.toUtf8() + '"';
    rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    if (SqliteDatabase::isOk(rc) && keptAs)
        *keptAs = name;
    return rc;
}

} // namespace SqliteTables
