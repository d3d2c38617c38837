// The SQLite stores when their file lets them down: a path they cannot use, a
// disk that fills up, a file that is not a database, a process killed after a
// write.
#include "SqliteStores.h"
#include "SqliteTestUtil.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A full disk, as far as this process is concerned: writes past `bytes` fail
// with EFBIG. Unlike file permissions this also stops root.
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool isActive() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_active = false;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList setAsideFiles(const QString &dir)
{
    return QDir(dir).entryList({u"*.unreadable-*"_s}, QDir::Files);
}

// Every announcement of `preferences`, with the value it had when it was made.
class Announcements final
{
public:
    explicit Announcements(Preferences &preferences)
    {
        QObject::connect(&preferences, &Preferences::changed, &m_context,
                         [this, &preferences](Preference preference) {
                             m_seen.emplace_back(preference, preferences.value(preference));
                         });
    }

    const std::vector<std::pair<Preference, bool>> &seen() const { return m_seen; }

private:
    QObject m_context;
    std::vector<std::pair<Preference, bool>> m_seen;
};

} // namespace

class SqliteStoreFaultsTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(u"brimvale.sqlite3"_s);
    }

    void cleanup() { m_dir.reset(); }

    void unusablePath_everyOperationFails_storeRecoversWhenPathWorks()
    {
        // A regular file where the directory should be stops root as well.
        const QString blocker = m_dir->filePath(u"blocker"_s);
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a directory");
        file.close();

        SqliteStores store(blocker + u"/brimvale.sqlite3"_s);
        QVERIFY(!store.file.isOpen());
        const StoreStatus opened = store.file.open();
        QVERIFY(!opened.ok());
        QVERIFY(!opened.error().isEmpty());
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.state, HistoryRecord::State::Failed);
        QVERIFY(!history.error.isEmpty());
        const auto lost = store.history.insertNewest(u"texts"_s, u"lost"_s);
        QVERIFY(!lost.ok());
        QVERIFY(lost.error().contains(u"blocker"_s));
        QVERIFY(!store.history.replaceList(u"texts"_s, {u"a"_s}).ok());
        QVERIFY(!store.history.removeItem(1).ok());
        QVERIFY(!store.history.retainOnlyLists({u"texts"_s}).ok());
        QVERIFY(!store.history.setAsideHistory().ok());

        // The user's choice holds for the session and reaches the file later.
        Announcements changes(store.preferences);
        store.preferences.setPrivacyMode(true);
        const StoreStatus saved = store.preferences.flush();
        QVERIFY(!saved.ok());
        QVERIFY(saved.error().contains(u"blocker"_s));
        QCOMPARE(store.preferences.privacyMode(), true);
        QCOMPARE(changes.seen().size(), size_t(1));
        QCOMPARE(readAll(blocker), QByteArray("not a directory"));

        QVERIFY(QFile::remove(blocker));
        QVERIFY(QDir().mkdir(blocker));
        const auto id = store.history.insertNewest(u"texts"_s, u"kept"_s);
        QVERIFY2(id.ok(), qPrintable(id.error()));
        QVERIFY(store.file.isOpen());

        SqliteStores reopened(blocker + u"/brimvale.sqlite3"_s);
        QCOMPARE(reopened.preferences.privacyMode(), true);
        QCOMPARE(reopened.history.load().lists.value(u"texts"_s).texts(), QStringList{u"kept"_s});
    }

    // Another program holds the write lock longer than the store waits for it:
    // the choices hold at once, and the last one reaches the file once the lock
    // goes, with no further change to carry it.
    void writeLockHeldElsewhere_choicesWrittenOnceReleased()
    {
        {
            SqliteStores earlier(m_path);
        }
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        {
            SqliteStores store(m_path);
            for (int i = 0; i < 10; ++i)
                store.preferences.setPrivacyMode(i % 2 == 1);
            store.preferences.setShowInDock(true);
            QCOMPARE(store.preferences.privacyMode(), true);
            QVERIFY(!store.preferences.flush().ok());
            QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
            QTRY_VERIFY_WITH_TIMEOUT(store.preferences.flush().ok(), 10000);
        }
        sqlite3_close(other);
        SqliteStores reopened(m_path);
        QCOMPARE(reopened.preferences.privacyMode(), true);
        QCOMPARE(reopened.preferences.showInDock(), true);
    }

    void fileOutOfReachAtStart_itsValuesAnnouncedWhenReached()
    {
        const QString realDir = m_dir->filePath(u"real"_s);
        {
            SqliteStores earlier(realDir + u"/brimvale.sqlite3"_s);
            earlier.preferences.setPrivacyMode(true);
            QVERIFY(earlier.preferences.flush().ok());
        }
        const QString way = blockedWay();

        SqliteStores store(way + u"/brimvale.sqlite3"_s);
        QCOMPARE(store.preferences.privacyMode(), false);
        Announcements changes(store.preferences);
        QVERIFY(QFile::remove(way));
        QVERIFY(QFile::link(realDir, way));
        // Any operation on the shared file reads the preferences again.
        QCOMPARE(store.history.load().state, HistoryRecord::State::Absent);
        settle(store.file);
        QCOMPARE(store.preferences.privacyMode(), true);
        QCOMPARE(changes.seen().size(), size_t(1));
        QCOMPARE(changes.seen().at(0), std::pair(Preference::PrivacyMode, true));
        QCOMPARE(store.preferences.showInDock(), false);
    }

    void valueSetWhileOutOfReach_winsOverTheFile_onceReached()
    {
        const QString realDir = m_dir->filePath(u"real"_s);
        {
            SqliteStores earlier(realDir + u"/brimvale.sqlite3"_s);
            earlier.preferences.setPrivacyMode(true);
            QVERIFY(earlier.preferences.flush().ok());
            earlier.preferences.setShowInDock(true);
            QVERIFY(earlier.preferences.flush().ok());
        }
        const QString way = blockedWay();

        SqliteStores store(way + u"/brimvale.sqlite3"_s);
        store.preferences.setPrivacyMode(false);
        QVERIFY(!store.preferences.flush().ok());
        Announcements changes(store.preferences);
        QVERIFY(QFile::remove(way));
        QVERIFY(QFile::link(realDir, way));
        QVERIFY(store.history.insertNewest(u"texts"_s, u"t"_s).ok());
        settle(store.file);
        QCOMPARE(store.preferences.privacyMode(), false);
        QCOMPARE(store.preferences.showInDock(), true);
        QCOMPARE(changes.seen().size(), size_t(1));
        QCOMPARE(changes.seen().at(0), std::pair(Preference::ShowInDock, true));
        QCOMPARE(
            SqliteTestUtil::value(realDir + u"/brimvale.sqlite3"_s,
                                  u"SELECT value FROM preferences WHERE key = 'privacyMode'"_s),
            QVariant(qint64(0)));
    }

    void readOnlyDirectory_writesFail_thenSucceedOnceWritable()
    {
        // Root writes into read-only directories: run this test again as nobody.
        if (Unprivileged::needed())
            return Unprivileged::run(QTest::currentTestFunction());
        const QString dir = m_dir->filePath(u"data"_s);
        const QString path = dir + u"/brimvale.sqlite3"_s;
        {
            SqliteStores store(path);
            QVERIFY(store.history.insertNewest(u"texts"_s, u"before"_s).ok());
        }
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
        SqliteStores store(path);
        const auto refused = store.history.insertNewest(u"texts"_s, u"while read-only"_s);
        QVERIFY(!refused.ok());
        QVERIFY(!refused.error().isEmpty());
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const auto after = store.history.insertNewest(u"texts"_s, u"after"_s);
        QVERIFY2(after.ok(), qPrintable(after.error()));
        QCOMPARE(store.history.load().lists.value(u"texts"_s).texts(),
                 (QStringList{u"after"_s, u"before"_s}));
    }

    void fullDisk_failedWritesKeepEarlierRows_laterWritesSucceed()
    {
        SqliteStores store(m_path);
        const auto before = store.history.replaceList(u"texts"_s, {u"b"_s, u"a"_s});
        QVERIFY(before.ok());
        QVERIFY(store.history.insertNewest(u"urls"_s, u"https://kept.example"_s).ok());
        const QString large(4 * 1024 * 1024, u'x');
        {
            FileSizeLimit limit(256 * 1024);
            QVERIFY(limit.isActive());
            // Replacing deletes the old rows first: the whole change must go.
            const auto replaced = store.history.replaceList(u"texts"_s, {large, u"c"_s});
            QVERIFY(!replaced.ok());
            QVERIFY(!replaced.error().isEmpty());
            const auto inserted = store.history.insertNewest(u"urls"_s, large);
            QVERIFY(!inserted.ok());
            QVERIFY(!inserted.error().isEmpty());
        }
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.state, HistoryRecord::State::Loaded);
        QCOMPARE(history.lists.value(u"texts"_s).texts(), (QStringList{u"b"_s, u"a"_s}));
        QCOMPARE(history.lists.value(u"texts"_s).ids, before.value());
        QCOMPARE(history.lists.value(u"urls"_s).texts(), QStringList{u"https://kept.example"_s});

        const auto later = store.history.insertNewest(u"urls"_s, large);
        QVERIFY2(later.ok(), qPrintable(later.error()));
        SqliteStores reopened(m_path);
        QCOMPARE(reopened.history.load().lists.value(u"urls"_s).texts().size(), 2);
    }

    void notADatabase_keptAsideNeverDeleted_freshStoreWorks()
    {
        QByteArray garbage(64 * 1024, '\0');
        for (qsizetype i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 251);
        {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"could not be read; it was kept as .*"
                                                "brimvale\\.sqlite3\\.unreadable-\\d{14}"_s));
        SqliteStores store(m_path);
        QVERIFY(store.file.isOpen());

        const QStringList kept = setAsideFiles(m_dir->path());
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(m_dir->filePath(kept.constFirst())), garbage);
        QCOMPARE(store.history.load().state, HistoryRecord::State::Absent);
        store.preferences.setShowInDock(true);
        QVERIFY(store.preferences.flush().ok());
        QVERIFY(store.history.insertNewest(u"texts"_s, u"fresh"_s).ok());
        SqliteStores reopened(m_path);
        QCOMPARE(reopened.preferences.showInDock(), true);
        QCOMPARE(reopened.history.load().lists.value(u"texts"_s).texts(), QStringList{u"fresh"_s});
    }

    void damagedHistoryPages_loadUnreadable_fileKept_choicesCarriedOver()
    {
        {
            SqliteStores store(m_path);
            store.preferences.setPrivacyMode(true);
            QVERIFY(store.preferences.flush().ok());
            QStringList texts;
            for (int i = 0; i < 3000; ++i)
                texts.append(u"item %1 "_s.arg(i).repeated(20));
            QVERIFY(store.history.replaceList(u"texts"_s, texts).ok());
        }
        const qint64 pageSize =
            SqliteTestUtil::value(m_path, u"PRAGMA page_size"_s).value_or(0).toLongLong();
        const qint64 lastRoot =
            SqliteTestUtil::value(m_path, u"SELECT max(rootpage) FROM sqlite_schema"_s)
                .value_or(0)
                .toLongLong();
        QVERIFY(pageSize > 0 && lastRoot > 0);
        {
            // Every page after the tables' roots: the history's rows, not the schema.
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.size() > (lastRoot + 10) * pageSize);
            QVERIFY(file.seek(lastRoot * pageSize));
            file.write(QByteArray(file.size() - lastRoot * pageSize, '\x5a'));
        }
        const QByteArray damaged = readAll(m_path);

        SqliteStores store(m_path);
        QCOMPARE(store.preferences.privacyMode(), true);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not be read; it was kept"_s));
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.state, HistoryRecord::State::Unreadable);
        const QStringList kept = setAsideFiles(m_dir->path());
        QCOMPARE(kept.size(), 1);
        QVERIFY2(history.problem.contains(kept.constFirst()), qPrintable(history.problem));
        QCOMPARE(readAll(m_dir->filePath(kept.constFirst())), damaged);

        const StoreResult<QString> keptAt = store.history.setAsideHistory();
        QVERIFY(keptAt.ok());
        QVERIFY(keptAt.value().endsWith(kept.constFirst()));
        QVERIFY(store.history.insertNewest(u"texts"_s, u"new start"_s).ok());
        SqliteStores reopened(m_path);
        QCOMPARE(reopened.preferences.privacyMode(), true);
        QCOMPARE(reopened.history.load().lists.value(u"texts"_s).texts(),
                 QStringList{u"new start"_s});
    }

    void processKilledAfterWriting_committedChangesSurvive()
    {
        QProcess helper;
        helper.start(QStringLiteral(PLATFORM_HELPER), {u"write-then-die"_s, m_path});
        QVERIFY(helper.waitForFinished(20000));
        QCOMPARE(helper.readAllStandardOutput().trimmed(), QByteArray("ready"));
        QCOMPARE(helper.exitStatus(), QProcess::CrashExit);

        SqliteStores store(m_path);
        QCOMPARE(store.preferences.privacyMode(), true);
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.lists.value(u"texts"_s).texts(),
                 QStringList{u"written before the kill"_s});
        QCOMPARE(history.lists.value(u"urls"_s).texts(),
                 (QStringList{u"https://b.example"_s, u"https://a.example"_s}));
    }

private:
    // A file where the store's directory should be; replaced by a link later.
    QString blockedWay() const
    {
        const QString way = m_dir->filePath(u"way"_s);
        QFile blocker(way);
        if (blocker.open(QIODevice::WriteOnly))
            blocker.close();
        return way;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(SqliteStoreFaultsTest)
#include "tst_sqlitestorefaults.moc"
