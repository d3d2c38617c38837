// The history over a real store that stays in trouble for a while: what the user
// reads on standard error, what the panel shows meanwhile, and what reaches the
// file once the trouble ends.
#include "ClipboardManager.h"
#include "HistoryLookup.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "ProgramMessages.h"
#include "SqliteStores.h"
#include "SqliteTestUtil.h"
#include "StreamCapture.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr QFile::Permissions privateDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QList<QByteArray> linesOf(const QByteArray &said)
{
    QList<QByteArray> lines = said.split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

class HistoryTroublesTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_messages = std::make_unique<ProgramMessages>();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        m_manager.reset();
        m_stores.reset();
        // Whatever a test left read-only must still be removable.
        for (const QString &dir :
             {m_dir->path(), m_dir->filePath(u"home"_s), m_dir->filePath(u"home/data"_s)})
            QFile::setPermissions(dir, privateDir);
        m_dir.reset();
        m_messages.reset();
    }

    void lastingTrouble_oneLineWhenItStarts_oneWhenItEnds_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::newRow("a directory at the store's path") << u"directory"_s;
        QTest::newRow("a dangling link at the store's path") << u"dangling link"_s;
        QTest::newRow("a view in place of the history table") << u"view"_s;
        QTest::newRow("a file in the way of the store's folder") << u"blocked folder"_s;
        QTest::newRow("a home folder that cannot be written") << u"read-only home"_s;
    }

    void lastingTrouble_oneLineWhenItStarts_oneWhenItEnds()
    {
        if (Unprivileged::needed())
            return Unprivileged::run(QTest::currentTestFunction());
        QFETCH(QString, trouble);
        const QString home = m_dir->filePath(u"home"_s);
        QString path = home + u"/data/brimvale.sqlite3"_s;
        std::function<bool()> end;
        QVERIFY(QDir().mkpath(home));
        if (trouble == u"directory"_s) {
            QVERIFY(QDir().mkpath(path));
            end = [path] { return QDir().rmdir(path); };
        } else if (trouble == u"dangling link"_s) {
            QVERIFY(QDir().mkpath(home + u"/data"_s));
            QVERIFY(QFile::link(m_dir->filePath(u"gone.sqlite3"_s), path));
            end = [path] { return QFile::remove(path); };
        } else if (trouble == u"view"_s) {
            {
                SqliteStores earlier(path);
            }
            QCOMPARE(SqliteTestUtil::exec(path, u"DROP TABLE clipboard_data; CREATE VIEW "
                                                "clipboard_data AS SELECT 1 AS id, 'texts' AS "
                                                "list, 'viewed' AS item"_s),
                     QString());
            end = [path] {
                return SqliteTestUtil::exec(path, u"DROP VIEW clipboard_data"_s).isEmpty();
            };
        } else if (trouble == u"blocked folder"_s) {
            QFile blocker(home + u"/data"_s);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            blocker.close();
            end = [home] { return QFile::remove(home + u"/data"_s); };
        } else {
            QVERIFY(QFile::setPermissions(home, QFile::ReadOwner | QFile::ExeOwner));
            end = [home] { return QFile::setPermissions(home, privateDir); };
        }

        StreamCapture err(stderr);
        create(path);
        m_manager->addItem(u"first"_s);
        m_manager->addItem(u"https://second.example"_s);
        m_manager->addItem(u"third"_s);
        settle(m_stores->file);
        const QList<QByteArray> started = linesOf(err.take());
        QVERIFY2(started.size() == 1, started.join('\n').constData());
        QCOMPARE(m_manager->texts().toStringList(), (QStringList{u"third"_s, u"first"_s}));

        QVERIFY(end());
        StreamCapture after(stderr);
        m_manager->addItem(u"fourth"_s);
        m_manager->addItem(u"fifth"_s);
        // Once the trouble has ended the next try succeeds, whether the change or
        // the writer's own later try makes it.
        QTRY_VERIFY_WITH_TIMEOUT((settle(m_stores->file), !m_manager->hasBackgroundWork()), 10000);
        QCOMPARE(after.take(), QByteArray("brimvale: the clipboard history is saved again\n"));
        m_manager.reset();
        m_stores.reset();
        SqliteStores reopened(path);
        const HistoryRecord stored = reopened.history.load();
        QCOMPARE(stored.lists.value(u"texts"_s).texts(),
                 (QStringList{u"fifth"_s, u"fourth"_s, u"third"_s, u"first"_s}));
        QCOMPARE(stored.lists.value(u"urls"_s).texts(), QStringList{u"https://second.example"_s});
    }

    void readOnlyStore_historyShown_newItemsKept_saidOnce_mergedOnceWritable()
    {
        if (Unprivileged::needed())
            return Unprivileged::run(QTest::currentTestFunction());
        const QString path = m_dir->filePath(u"brimvale.sqlite3"_s);
        {
            SqliteStores earlier(path);
            QVERIFY(earlier.history.replaceList(u"texts"_s, {u"stored newer"_s, u"stored older"_s})
                        .ok());
            QVERIFY(earlier.history.replaceList(u"urls"_s, {u"https://stored.example"_s}).ok());
        }
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));

        StreamCapture err(stderr);
        create(path);
        QCOMPARE(m_manager->texts().toStringList(),
                 (QStringList{u"stored newer"_s, u"stored older"_s}));
        m_manager->addItem(u"captured meanwhile"_s);
        m_manager->addItem(u"https://meanwhile.example"_s);
        HistoryLookup::deleteRow(*m_manager, Category::Text, 2);
        settle(m_stores->file);
        const QList<QByteArray> said = linesOf(err.take());
        QVERIFY2(said.size() == 1, said.join('\n').constData());
        QVERIFY2(said.constFirst().contains(path.toLocal8Bit()), said.constFirst().constData());
        QCOMPARE(m_manager->texts().toStringList(),
                 (QStringList{u"captured meanwhile"_s, u"stored newer"_s}));

        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        StreamCapture after(stderr);
        m_manager->addItem(u"later"_s);
        // Once the trouble has ended the next try succeeds, whether the change or
        // the writer's own later try makes it.
        QTRY_VERIFY_WITH_TIMEOUT((settle(m_stores->file), !m_manager->hasBackgroundWork()), 10000);
        QCOMPARE(after.take(), QByteArray("brimvale: the clipboard history is saved again\n"));
        m_manager.reset();
        m_stores.reset();
        SqliteStores reopened(path);
        const HistoryRecord stored = reopened.history.load();
        QCOMPARE(stored.lists.value(u"texts"_s).texts(),
                 (QStringList{u"later"_s, u"captured meanwhile"_s, u"stored newer"_s}));
        QCOMPARE(stored.lists.value(u"urls"_s).texts(),
                 (QStringList{u"https://meanwhile.example"_s, u"https://stored.example"_s}));
    }

    // However often changes come and the writer tries again, a store that neither
    // the history nor the preferences can save to is told of once when the
    // trouble starts and once when it ends, for both.
    void troubleOverManyRetries_oneLineWhenItStartsOneWhenItEnds()
    {
        if (Unprivileged::needed())
            return Unprivileged::run(QTest::currentTestFunction());
        const QString path = m_dir->filePath(u"brimvale.sqlite3"_s);
        QVERIFY(SqliteStores(path).file.open().ok());
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        const auto changeAndRetry = [this](int times) {
            for (int n = 0; n < times; ++n) {
                m_stores->preferences.setShowInDock(n % 2 == 0);
                m_manager->addItem(u"item %1"_s.arg(n));
                settle(m_stores->file);
                m_stores->file.writer().retrySoon();
                settle(m_stores->file);
            }
        };
        StreamCapture err(stderr);
        create(path);
        changeAndRetry(4);
        const QList<QByteArray> started = linesOf(err.take());
        QVERIFY2(started.size() == 1 && started.at(0).contains("history can be read but not saved"),
                 started.join('\n').constData());
        QVERIFY(!m_stores->preferences.flush().ok());

        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        StreamCapture after(stderr);
        changeAndRetry(3);
        QCOMPARE(linesOf(after.take()),
                 QList<QByteArray>{
                     "brimvale: the clipboard history and the preferences are saved again"});
    }

private:
    void create(const QString &path)
    {
        m_stores = std::make_unique<SqliteStores>(path);
        m_manager = std::make_unique<ClipboardManager>(m_clipboard, m_stores->preferences,
                                                       m_stores->history, m_timers);
    }

    std::unique_ptr<ProgramMessages> m_messages;
    std::unique_ptr<QTemporaryDir> m_dir;
    MemoryClipboard m_clipboard;
    ManualPollTimers m_timers;
    std::unique_ptr<SqliteStores> m_stores;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_GUILESS_MAIN(HistoryTroublesTest)
#include "tst_historytroubles.moc"
