#include "SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

SqliteStatement::~SqliteStatement()
{
    finalize();
}

SqliteStatement::SqliteStatement(SqliteStatement &&other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)),
      m_boundTexts(std::move(other.m_boundTexts)), m_bindError(std::exchange(other.m_bindError, 0)),
      m_prepareError(std::exchange(other.m_prepareError, 0))
{
}

SqliteStatement &SqliteStatement::operator=(SqliteStatement &&other) noexcept
{
    if (this != &other) {
        finalize();
        m_statement = std::exchange(other.m_statement, nullptr);
        m_boundTexts = std::move(other.m_boundTexts);
        m_bindError = std::exchange(other.m_bindError, 0);
        m_prepareError = std::exchange(other.m_prepareError, 0);
    }
    return *this;
}

int SqliteStatement::prepare(sqlite3 *db, QByteArrayView sql)
{
    finalize();
    const int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
    if (rc != SQLITE_OK) {
        finalize();
        m_prepareError = rc;
    }
    return rc;
}

void SqliteStatement::bind(int index, qint64 value)
{
    if (!m_statement)
        return;
    const int rc = sqlite3_bind_int64(m_statement, index, value);
    if (rc != SQLITE_OK && m_bindError == SQLITE_OK)
        m_bindError = rc;
}

void SqliteStatement::bind(int index, const QString &text)
{
    bindUtf8(index, text.toUtf8());
}

void SqliteStatement::bindUtf8(int index, const QByteArray &bytes)
{
    if (!m_statement)
        return;
    // Kept until reset() so SQLite can use the bytes without copying them: a
    // pasted text can be tens of megabytes.
    const QByteArray &utf8 = m_boundTexts.emplace_back(bytes);
    const int rc =
        sqlite3_bind_text64(m_statement, index, utf8.constData(),
                            static_cast<sqlite3_uint64>(utf8.size()), SQLITE_STATIC, SQLITE_UTF8);
    if (rc != SQLITE_OK && m_bindError == SQLITE_OK)
        m_bindError = rc;
}

int SqliteStatement::step()
{
    if (!m_statement)
        return m_prepareError != SQLITE_OK ? m_prepareError : SQLITE_MISUSE;
    if (m_bindError != SQLITE_OK)
        return m_bindError;
    return sqlite3_step(m_statement);
}

int SqliteStatement::run()
{
    int rc = step();
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(m_statement);
    reset();
    return rc;
}

void SqliteStatement::reset()
{
    // sqlite3_reset() repeats the last step's error, which run() already returned.
    if (m_statement) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    m_boundTexts.clear();
    m_bindError = SQLITE_OK;
}

int SqliteStatement::columnType(int column) const
{
    return sqlite3_column_type(m_statement, column);
}

qint64 SqliteStatement::columnInt64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QString SqliteStatement::columnText(int column) const
{
    const QByteArrayView utf8 = columnUtf8(column);
    return QString::fromUtf8(utf8.data(), utf8.size());
}

QByteArrayView SqliteStatement::columnUtf8(int column) const
{
    // column_text before column_bytes, so the length is that of the UTF-8 form.
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return {text, sqlite3_column_bytes(m_statement, column)};
}

void SqliteStatement::finalize()
{
    if (m_statement) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
    m_boundTexts.clear();
    m_bindError = SQLITE_OK;
    m_prepareError = SQLITE_OK;
}
