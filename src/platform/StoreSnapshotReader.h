#pragma once

#include "SqliteDatabase.h"
#include "StoreResult.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

// Reads the history of a store file without changing it, for commands that run
// beside Brimvale or without it: the file keeps its bytes and its time, and no
// file is left beside it that was not there. A running Brimvale keeps the store
// in WAL mode with its -wal and -shm files; the reader reads through them as
// another connection would. With no -wal, nobody has the store open, and it is
// read as immutable. A -wal left without its -shm (which a reader would have to
// create) is read from a private copy of the two.
class StoreSnapshotReader final
{
    Q_DECLARE_TR_FUNCTIONS(StoreSnapshotReader)
    Q_DISABLE_COPY_MOVE(StoreSnapshotReader)

public:
    explicit StoreSnapshotReader(QString path);
    ~StoreSnapshotReader();

    // Whether there is a store at all: a user who never ran Brimvale has none.
    bool exists() const;
    // One line naming the file when it cannot be read.
    StoreStatus open();

    // Called with each item's store id and its UTF-8 as stored; false stops.
    using Visitor = std::function<bool(qint64 id, QByteArrayView utf8)>;
    // The items of the lists named `keys`, newest first (the highest id first),
    // handed over as they are read: the first comes before the last is read.
    StoreStatus forEachItem(const QStringList &keys, const Visitor &visit);
    // The UTF-8 of the item `id` when it is in one of the lists `keys`.
    StoreResult<std::optional<QByteArray>> item(qint64 id, const QStringList &keys);

private:
    StoreError failure(int rc) const;

    QString m_path;
    SqliteDatabase m_db;
    std::unique_ptr<QTemporaryDir> m_copy;
};
