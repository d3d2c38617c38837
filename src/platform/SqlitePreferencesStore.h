#pragma once

#include "PreferencesStore.h"

#include <QSet>

#include <functional>
#include <memory>

// The preferences store kept in one SQLite file (see the schema in the .cpp).
//
// The store keeps working when its file does not: a write that cannot be made
// returns false with lastError() set, and the next operation opens the file again.
// A file that turns out not to be a database, or to be damaged, is renamed to
// `<name>.unreadable-<time>` (never deleted) and a new file is started.
class SqlitePreferencesStore final : public PreferencesStore
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SqlitePreferencesStore)

public:
    // Opens (or creates) the database at `databasePath`; a missing directory is
    // created private to the user.
    explicit SqlitePreferencesStore(const QString &databasePath, QObject *parent = nullptr);
    ~SqlitePreferencesStore() override;

    bool boolValue(const QString &key) const override;
    bool setBoolValue(const QString &key, bool value) override;

    // Failed when the file cannot be read now (lastError() says why). A file found
    // damaged is set aside at once: Unreadable, and setAsideHistory() then only
    // reports where it was kept.
    StoredHistory loadHistory() override;
    std::optional<qint64> insertNewest(const QString &listKey, const QString &text) override;
    bool removeItem(qint64 id) override;
    std::optional<std::vector<qint64>> replaceList(const QString &listKey,
                                                   const QStringList &texts) override;
    bool retainOnlyLists(const QStringList &keys) override;
    std::optional<QString> setAsideHistory() override;

    // The error of the latest operation; empty after one that succeeded.
    QString lastError() const override { return m_lastError; }

    QString databasePath() const { return m_path; }
    bool isOpen() const { return m_connection != nullptr; }

private:
    struct Connection;

    bool ensureOpen();
    int openConnection();
    int loadBools(Connection &connection);
    void saveUnsavedBools();
    std::optional<QString> moveDamagedFileAside();
    bool write(const QString &action, const std::function<int(Connection &)> &body);
    // Returns where the file was kept when the failure showed it damaged.
    std::optional<QString> recordFailure(const QString &action, int rc);

    QString m_path;
    std::unique_ptr<Connection> m_connection;
    QString m_lastError;
    // Every boolean read or set this session; the file is read once per opening.
    QHash<QString, bool> m_bools;
    // Values the user set that could not yet be written; retried on reopening.
    QSet<QString> m_unsavedBools;
    // Values that differ from what the session had, found on (re)opening.
    QStringList m_reloadedBools;
    // Where a file found damaged by loadHistory() was kept, for setAsideHistory().
    QString m_damagedFileKeptAs;
};
