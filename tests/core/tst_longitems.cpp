// Texts long enough to be classified and written on a worker thread: the GUI
// thread goes on meanwhile, what follows them keeps its order, and nothing is
// lost or left behind in the store when they are removed, cleared or the
// program quits while they are still on their way.
#include "CaptureQueue.h"
#include "ClipboardManager.h"
#include "HistoryLookup.h"
#include "HistoryPersistence.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "ProgramMessages.h"
#include "SaveDialog.h"
#include "SqliteStores.h"
#include "StreamCapture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Code, and long enough for both workers.
QString longCode(char tag)
{
    const QString line = u"int main() { return %1; }\n"_s.arg(QChar::fromLatin1(tag));
    const qsizetype length = CaptureQueue::backgroundLength + 1;
    return line.repeated(length / line.size() + 1);
}

// Set in a copy of this program started only to read the store and close it,
// as another program looking at the history would.
constexpr char readStoreVariable[] = "LONGITEMS_READ_STORE";

// Prints how many items the store holds, or nothing when it cannot be read.
int readStoreAndClose(const QByteArray &path)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *count = nullptr;
    int rc = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM clipboard_data", -1, &count, nullptr);
    if (rc == SQLITE_OK && sqlite3_step(count) == SQLITE_ROW)
        std::printf("%lld\n", static_cast<long long>(sqlite3_column_int64(count, 0)));
    sqlite3_finalize(count);
    sqlite3_close(db);
    return rc == SQLITE_OK ? 0 : 1;
}

QList<QByteArray> linesOf(const QByteArray &said)
{
    QList<QByteArray> lines = said.split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

class LongItemsTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(u"brimvale-%1.sqlite3"_s.arg(++m_files));
        m_stores = std::make_unique<SqliteStores>(m_path);
        m_manager = std::make_unique<ClipboardManager>(m_clipboard, m_stores->preferences,
                                                       m_stores->history, m_timers);
    }

    void cleanup()
    {
        m_manager.reset();
        m_stores.reset();
    }

    void longCopy_classifiedAway_laterCopiesWaitAndKeepTheirOrder()
    {
        const QString code = longCode('a');
        QStringList inserted;
        for (Category category : allCategories)
            connect(&m_manager->list(category), &QAbstractItemModel::rowsInserted, this,
                    [&, category] { inserted << m_manager->list(category).textAt(0).left(9); });
        copy(code);
        copy(u"https://after.example"_s);
        copy(u"after"_s);
        // The long text is being classified; the two after it wait.
        QVERIFY(m_manager->hasBackgroundWork());
        QCOMPARE(inserted, QStringList());

        // The GUI thread runs on meanwhile.
        int turns = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++turns; });
        ticker.start(0);
        QTRY_VERIFY(!m_manager->hasBackgroundWork());
        ticker.stop();
        QVERIFY(turns > 0);

        QCOMPARE(inserted, (QStringList{u"int main("_s, u"https://a"_s, u"after"_s}));
        QCOMPARE(m_manager->codes().toStringList(), QStringList{code});
        const HistoryRecord stored = reopenedRecord();
        QCOMPARE(stored.lists.value(u"codes"_s).texts(), QStringList{code});
        QCOMPARE(stored.lists.value(u"urls"_s).texts(), QStringList{u"https://after.example"_s});
        QCOMPARE(stored.lists.value(u"texts"_s).texts(), QStringList{u"after"_s});
        // Written in the order they came, and each item knows its row.
        const qint64 codeId = stored.lists.value(u"codes"_s).ids.front();
        const qint64 urlId = stored.lists.value(u"urls"_s).ids.front();
        QVERIFY(codeId < urlId && urlId < stored.lists.value(u"texts"_s).ids.front());
        QCOMPARE(m_manager->codes().storeIdAt(0), codeId);
        QCOMPARE(m_manager->urls().storeIdAt(0), urlId);
    }

    void longCopyTwice_recordedOnce()
    {
        const QString code = longCode('b');
        copy(code);
        copy(u"between"_s);
        copy(QString(code.constData(), code.size())); // an equal text, not the same one
        QTRY_VERIFY(!m_manager->hasBackgroundWork());
        QCOMPARE(m_manager->codes().size(), 1);
        QCOMPARE(reopenedRecord().lists.value(u"codes"_s).texts(), QStringList{code});
    }

    // As with a short text, the text on the clipboard is not recorded again while
    // it stays there, even once its item is gone from the history.
    void longCopyRepeated_afterItsItemWasRemoved_notRecordedAgain()
    {
        const QString code = longCode('i');
        copy(code);
        QTRY_VERIFY(!m_manager->hasBackgroundWork());
        QCOMPARE(m_manager->codes().size(), 1);
        HistoryLookup::deleteRow(*m_manager, Category::Code, 0);
        copy(QString(code.constData(), code.size()));
        QVERIFY(m_manager->hasBackgroundWork());
        QTRY_VERIFY(!m_manager->hasBackgroundWork());
        QCOMPARE(m_manager->codes().size(), 0);

        // A different long text after it is recorded as usual.
        copy(longCode('j'));
        QTRY_VERIFY(!m_manager->hasBackgroundWork());
        QCOMPARE(m_manager->codes().toStringList(), QStringList{longCode('j')});
    }

    void longItem_removedOrClearedWhileWritten_leavesNoRow_data()
    {
        QTest::addColumn<bool>("clear");
        QTest::newRow("removed") << false;
        QTest::newRow("cleared") << true;
    }

    void longItem_removedOrClearedWhileWritten_leavesNoRow()
    {
        QFETCH(bool, clear);
        m_manager->addItem(u"older"_s);
        // The store's thread is held until the item is gone, so that it is gone
        // before its write is done however the threads are scheduled.
        QSemaphore held;
        m_stores->file.writer().submit({{this, {}, 0},
                                        [&] {
                                            held.acquire();
                                            return StoreStatus();
                                        },
                                        {},
                                        {}});
        m_manager->addItem(longCode('c'));
        if (clear)
            m_manager->clearHistory();
        else
            HistoryLookup::deleteRow(*m_manager, Category::Code, 0);
        m_manager->addItem(u"newer"_s);
        held.release();
        QTRY_VERIFY(!m_manager->hasBackgroundWork());

        const HistoryRecord stored = reopenedRecord();
        QVERIFY(!stored.lists.contains(u"codes"_s));
        const QStringList texts =
            clear ? QStringList{u"newer"_s} : QStringList{u"newer"_s, u"older"_s};
        QCOMPARE(stored.lists.value(u"texts"_s).texts(), texts);
        QCOMPARE(m_manager->texts().toStringList(), texts);
    }

    void clearWhileClassifying_theLongCopyIsNotRecorded()
    {
        copy(longCode('d'));
        copy(u"after, before the clear"_s);
        QVERIFY(m_manager->hasBackgroundWork());
        m_manager->clearHistory();
        QTRY_VERIFY(!m_manager->hasBackgroundWork());
        for (Category category : allCategories)
            QCOMPARE(m_manager->list(category).size(), 0);
        QCOMPARE(reopenedRecord().state, HistoryRecord::State::Absent);
    }

    void quitWhileClassifyingOrWriting_nothingLost()
    {
        const QString classified = longCode('e');
        const QString written = longCode('f');
        m_manager->addItem(written);
        m_manager->addItem(u"after the written one"_s);
        copy(classified);
        copy(u"after the classified one"_s);
        QVERIFY(m_manager->hasBackgroundWork());
        m_manager.reset();

        const HistoryRecord stored = reopenedRecord();
        QCOMPARE(stored.lists.value(u"codes"_s).texts(), (QStringList{classified, written}));
        QCOMPARE(stored.lists.value(u"texts"_s).texts(),
                 (QStringList{u"after the classified one"_s, u"after the written one"_s}));
    }

    // Closing the last connection of any program takes the write-ahead log into
    // the file and deletes it; a program whose locks on the file were dropped is
    // not counted and goes on writing into a deleted log.
    void anotherProgramReadsAfterABackgroundWrite_seesLaterItems()
    {
        const QString code = longCode('h');
        m_manager->addItem(code);
        QTRY_VERIFY(!m_manager->hasBackgroundWork());
        QCOMPARE(itemsSeenByAnotherProgram(), QByteArray("1"));
        m_manager->addItem(u"after the other program"_s);
        QCOMPARE(itemsSeenByAnotherProgram(), QByteArray("2"));
        m_manager.reset();
        m_stores.reset();

        const HistoryRecord stored = reopenedRecord();
        QCOMPARE(stored.lists.value(u"codes"_s).texts(), QStringList{code});
        QCOMPARE(stored.lists.value(u"texts"_s).texts(), QStringList{u"after the other program"_s});
        QCOMPARE(QDir(m_dir.path()).entryList({u"*unreadable*"_s}), QStringList());
    }

    void writeFails_toldOnce_triedAgainUntilWritten()
    {
        const ProgramMessages messages;
        // Another writer holds the file longer than the store waits for it.
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

        StreamCapture err(stderr);
        const QString code = longCode('g');
        m_manager->addItem(code);
        // The store waits 2 s for the lock, then says so once and tries again.
        QTest::qWait(4000);
        const QList<QByteArray> said = linesOf(err.take());
        QVERIFY2(said.size() == 1 && said.front().contains("locked"), said.join('\n').constData());
        QCOMPARE(m_manager->codes().toStringList(), QStringList{code});
        // Not forgotten: still waiting to be written.
        QVERIFY(m_manager->hasBackgroundWork());

        QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        StreamCapture after(stderr);
        m_manager->addItem(u"next"_s);
        QTRY_VERIFY(!m_manager->hasBackgroundWork());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(after.take(), QByteArray("brimvale: the clipboard history is saved again\n"));
        const HistoryRecord stored = reopenedRecord();
        QCOMPARE(stored.lists.value(u"codes"_s).texts(), QStringList{code});
        QCOMPARE(stored.lists.value(u"texts"_s).texts(), QStringList{u"next"_s});
    }

    // A history too large to read while the GUI thread waits is read on the
    // store's thread; what is copied or cleared meanwhile is not lost under it.
    void largeHistory_readBeside_copiesKeptAboveIt_clearHoldsAfterIt()
    {
        const QString huge = QString(HistoryPersistence::readBesideFrom + 1, u'w');
        QVERIFY(m_stores->history.replaceList(u"texts"_s, {huge}).ok());
        QVERIFY(m_stores->history.replaceList(u"urls"_s, {u"https://stored.example"_s}).ok());
        for (const bool clear : {false, true}) {
            m_manager.reset();
            m_stores = std::make_unique<SqliteStores>(m_path);
            m_manager = std::make_unique<ClipboardManager>(m_clipboard, m_stores->preferences,
                                                           m_stores->history, m_timers);
            QVERIFY(m_manager->texts().isEmpty());
            QVERIFY(m_manager->hasBackgroundWork());
            m_manager->addItem(u"copied meanwhile"_s);
            m_manager->addItem(u"https://stored.example"_s);
            // An export asked for meanwhile holds what is stored, not the empty lists.
            const QString exported = m_dir.filePath(u"urls.txt"_s);
            AtOnceSaveDialog dialog(exported);
            m_manager->exportItems(Category::Url, dialog);
            if (clear)
                m_manager->clearHistory();
            QTRY_VERIFY_WITH_TIMEOUT(!m_manager->hasBackgroundWork(), 20000);
            QFile file(exported);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), clear ? QByteArray() : "https://stored.example"_ba);
            settle(m_stores->file);
            const HistoryRecord stored = m_stores->history.load();
            const QStringList texts =
                clear ? QStringList() : QStringList{u"copied meanwhile"_s, huge};
            const QStringList urls =
                clear ? QStringList() : QStringList{u"https://stored.example"_s};
            QCOMPARE(m_manager->texts().toStringList(), texts);
            QCOMPARE(m_manager->urls().toStringList(), urls);
            QCOMPARE(stored.lists.value(u"texts"_s).texts(), texts);
            QCOMPARE(stored.lists.value(u"urls"_s).texts(), urls);
        }
    }

private:
    // A user who picks `path` as soon as the dialog opens.
    struct AtOnceSaveDialog final : SaveDialog
    {
        explicit AtOnceSaveDialog(QString chosen) : path(std::move(chosen)) {}
        void ask(const QString &, const QStringList &types, Completion done) override
        {
            done(Choice{path, types.value(0)});
        }
        QString path;
    };

    // As another application's copy is seen: the change notice reads it and the
    // manager takes it up once the event loop turns. Only the manager's own
    // queued calls are run here, so a worker's result is not taken up yet.
    void copy(const QString &text)
    {
        m_clipboard.setText(text);
        QCoreApplication::sendPostedEvents(m_manager.get(), QEvent::MetaCall);
    }

    // Another program (a copy of this one) opens the store, counts its items and
    // closes it: closing the last connection of all folds the write-ahead log
    // into the file and deletes it, so a program whose locks on the file were
    // dropped would go on writing into a deleted log that nobody else reads.
    QByteArray itemsSeenByAnotherProgram()
    {
        QProcess reader;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(readStoreVariable), m_path);
        reader.setProcessEnvironment(environment);
        reader.start(QCoreApplication::applicationFilePath(), {});
        if (!reader.waitForFinished(10000) || reader.exitCode() != 0)
            return "the store could not be read";
        return reader.readAllStandardOutput().trimmed();
    }

    HistoryRecord reopenedRecord()
    {
        SqliteStores reopened(m_path);
        return reopened.history.load();
    }

    QTemporaryDir m_dir;
    QString m_path;
    int m_files = 0;
    MemoryClipboard m_clipboard;
    ManualPollTimers m_timers;
    std::unique_ptr<SqliteStores> m_stores;
    std::unique_ptr<ClipboardManager> m_manager;
};

int main(int argc, char **argv)
{
    if (const QByteArray path = qgetenv(readStoreVariable); !path.isEmpty())
        return readStoreAndClose(path);
    QCoreApplication app(argc, argv);
    LongItemsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_longitems.moc"
