#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Names of the stored values.
namespace PreferenceKeys {
inline const QString privacyMode = QStringLiteral("privacyMode");
inline const QString showInDock = QStringLiteral("showInDock");
} // namespace PreferenceKeys

// One list of the history record, newest first. `ids` parallels `texts`; an id
// names a stored item so that it can be removed without rewriting its list.
struct StoredList
{
    QStringList texts;
    std::vector<qint64> ids;
};

// The history record as found in the store.
struct StoredHistory
{
    enum class State {
        Absent,     // nothing was ever stored
        Loaded,     // `lists` holds every list of the record, by key
        Unreadable, // some value is not a list of texts; `problem` says which
        Failed      // the store could not be read now (see lastError()); try again later
    };
    State state = State::Absent;
    QHash<QString, StoredList> lists;
    QString problem;
};

// Per-user persistent store: boolean preferences and the clipboard history record.
// Every write is committed before the call returns and is visible to the next read.
// A write that cannot be made returns false (or nullopt) and leaves what was stored
// before intact; `lastError()` then describes the cause.
class PreferencesStore : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreferencesStore)

public:
    using QObject::QObject;
    ~PreferencesStore() override = default;

    // Absent means false. Cheap enough to call on every clipboard tick.
    virtual bool boolValue(const QString &key) const = 0;
    // The value is kept (and observers told) even when it cannot be written.
    virtual bool setBoolValue(const QString &key, bool value) = 0;

    virtual StoredHistory loadHistory() = 0;
    // Adds `text` as the newest item of the list `listKey`; returns its id.
    virtual std::optional<qint64> insertNewest(const QString &listKey, const QString &text) = 0;
    virtual bool removeItem(qint64 id) = 0;
    // Replaces the list `listKey` whole (texts newest first); returns the new ids in
    // the same order. An empty list removes the key's items with one statement.
    virtual std::optional<std::vector<qint64>> replaceList(const QString &listKey,
                                                           const QStringList &texts) = 0;
    // Removes every list whose key is not in `keys`.
    virtual bool retainOnlyLists(const QStringList &keys) = 0;
    // Moves an unreadable record out of the way (kept, never overwritten) and starts
    // an empty one; returns where it was kept.
    virtual std::optional<QString> setAsideHistory() = 0;

    virtual QString lastError() const = 0;

signals:
    void boolValueChanged(const QString &key, bool value);
};
