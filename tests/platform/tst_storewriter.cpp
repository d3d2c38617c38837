// The store's writer thread giving up a long write that a later change made
// pointless, on a real file.
#include "SqliteStores.h"
#include "SqliteTestUtil.h"

#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace Qt::StringLiterals;

class StoreWriterTest final : public QObject
{
    Q_OBJECT

private slots:
    void pointlessLongWrite_stops_fileIntact_nextWriteTakes()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(u"brimvale.sqlite3"_s);
        SqliteStores store(path);
        QVERIFY(store.history.insertNewest(u"texts"_s, u"kept"_s).ok());

        // Far more than SQLite keeps in memory before it writes to the log.
        const QString huge(64 * 1024 * 1024, u'x');
        QSemaphore started;
        std::atomic<bool> written = false;
        std::atomic<bool> tried = false;
        StoreWriter &writer = store.file.writer();
        writer.submit({{this, u"texts"_s, 1000},
                       [&] {
                           started.release();
                           const StoreStatus status =
                               store.history.insertItem(u"texts"_s, 1000, huge.toUtf8()).status();
                           written = status.ok();
                           tried = true;
                           return status;
                       },
                       {},
                       nullptr});
        started.acquire();
        writer.drop([this](const StoreWriter::Topic &topic) { return topic.owner == this; });
        writer.flush();
        QVERIFY(tried);
        QVERIFY(!written);
        QCOMPARE(writer.waitingCount(), 0);

        QVERIFY(store.history.insertNewest(u"texts"_s, u"after"_s).ok());
        QCOMPARE(store.history.load().lists.value(u"texts"_s).texts(),
                 (QStringList{u"after"_s, u"kept"_s}));
        QCOMPARE(SqliteTestUtil::value(path, u"PRAGMA integrity_check"_s),
                 std::optional<QVariant>(u"ok"_s));
    }
};

QTEST_GUILESS_MAIN(StoreWriterTest)
#include "tst_storewriter.moc"
