// The SQLite store when its file lets it down: a path it cannot use, a disk that
// fills up, a file that is not a database, a process killed after a write.
#include "SqlitePreferencesStore.h"
#include "SqliteTestUtil.h"

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

        SqlitePreferencesStore store(blocker + u"/brimvale.sqlite3"_s);
        QVERIFY(!store.isOpen());
        QVERIFY(!store.lastError().isEmpty());
        QCOMPARE(store.loadHistory().state, StoredHistory::State::Failed);
        QVERIFY(!store.insertNewest(u"texts"_s, u"lost"_s));
        QVERIFY(store.lastError().contains(u"blocker"_s));
        QVERIFY(!store.replaceList(u"texts"_s, {u"a"_s}));
        QVERIFY(!store.removeItem(1));
        QVERIFY(!store.retainOnlyLists({u"texts"_s}));
        QVERIFY(!store.setAsideHistory());

        // The user's choice holds for the session and reaches the file later.
        QSignalSpy changes(&store, &PreferencesStore::boolValueChanged);
        QCOMPARE(store.setBoolValue(u"privacyMode"_s, true), false);
        QCOMPARE(store.boolValue(u"privacyMode"_s), true);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(readAll(blocker), QByteArray("not a directory"));

        QVERIFY(QFile::remove(blocker));
        QVERIFY(QDir().mkdir(blocker));
        const auto id = store.insertNewest(u"texts"_s, u"kept"_s);
        QVERIFY2(id, qPrintable(store.lastError()));
        QVERIFY(store.lastError().isEmpty());

        SqlitePreferencesStore reopened(blocker + u"/brimvale.sqlite3"_s);
        QCOMPARE(reopened.boolValue(u"privacyMode"_s), true);
        QCOMPARE(reopened.loadHistory().lists.value(u"texts"_s).texts, QStringList{u"kept"_s});
    }

    void fileOutOfReachAtStart_itsValuesAnnouncedWhenReached()
    {
        const QString realDir = m_dir->filePath(u"real"_s);
        {
            SqlitePreferencesStore earlier(realDir + u"/brimvale.sqlite3"_s);
            QVERIFY(earlier.setBoolValue(u"privacyMode"_s, true));
        }
        const QString way = m_dir->filePath(u"way"_s);
        QFile blocker(way);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        SqlitePreferencesStore store(way + u"/brimvale.sqlite3"_s);
        QCOMPARE(store.boolValue(u"privacyMode"_s), false);
        QSignalSpy changes(&store, &PreferencesStore::boolValueChanged);
        QVERIFY(QFile::remove(way));
        QVERIFY(QFile::link(realDir, way));
        QCOMPARE(store.loadHistory().state, StoredHistory::State::Absent);
        QCOMPARE(store.boolValue(u"privacyMode"_s), true);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.at(0).at(0).toString(), u"privacyMode"_s);
        QCOMPARE(changes.at(0).at(1).toBool(), true);
    }

    void readOnlyDirectory_writesFail_thenSucceedOnceWritable()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only directories; the unusable-path and file-size "
                  "cases cover this for root");
        const QString dir = m_dir->filePath(u"data"_s);
        const QString path = dir + u"/brimvale.sqlite3"_s;
        {
            SqlitePreferencesStore store(path);
            QVERIFY(store.insertNewest(u"texts"_s, u"before"_s));
        }
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
        SqlitePreferencesStore store(path);
        QVERIFY(!store.insertNewest(u"texts"_s, u"while read-only"_s));
        QVERIFY(!store.lastError().isEmpty());
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY2(store.insertNewest(u"texts"_s, u"after"_s), qPrintable(store.lastError()));
        QCOMPARE(store.loadHistory().lists.value(u"texts"_s).texts,
                 (QStringList{u"after"_s, u"before"_s}));
    }

    void fullDisk_failedWritesKeepEarlierRows_laterWritesSucceed()
    {
        SqlitePreferencesStore store(m_path);
        const auto before = store.replaceList(u"texts"_s, {u"b"_s, u"a"_s});
        QVERIFY(before);
        QVERIFY(store.insertNewest(u"urls"_s, u"https://kept.example"_s));
        const QString large(4 * 1024 * 1024, u'x');
        {
            FileSizeLimit limit(256 * 1024);
            QVERIFY(limit.isActive());
            // Replacing deletes the old rows first: the whole change must go.
            QVERIFY(!store.replaceList(u"texts"_s, {large, u"c"_s}));
            QVERIFY(!store.lastError().isEmpty());
            QVERIFY(!store.insertNewest(u"urls"_s, large));
            QVERIFY(!store.lastError().isEmpty());
        }
        const StoredHistory history = store.loadHistory();
        QCOMPARE(history.state, StoredHistory::State::Loaded);
        QCOMPARE(history.lists.value(u"texts"_s).texts, (QStringList{u"b"_s, u"a"_s}));
        QCOMPARE(history.lists.value(u"texts"_s).ids, *before);
        QCOMPARE(history.lists.value(u"urls"_s).texts, QStringList{u"https://kept.example"_s});

        QVERIFY2(store.insertNewest(u"urls"_s, large), qPrintable(store.lastError()));
        QVERIFY(store.lastError().isEmpty());
        SqlitePreferencesStore reopened(m_path);
        QCOMPARE(reopened.loadHistory().lists.value(u"urls"_s).texts.size(), 2);
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
        SqlitePreferencesStore store(m_path);
        QVERIFY(store.isOpen());

        const QStringList kept = setAsideFiles(m_dir->path());
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(m_dir->filePath(kept.constFirst())), garbage);
        QCOMPARE(store.loadHistory().state, StoredHistory::State::Absent);
        QVERIFY(store.setBoolValue(u"showInDock"_s, true));
        QVERIFY(store.insertNewest(u"texts"_s, u"fresh"_s));
        SqlitePreferencesStore reopened(m_path);
        QCOMPARE(reopened.boolValue(u"showInDock"_s), true);
        QCOMPARE(reopened.loadHistory().lists.value(u"texts"_s).texts, QStringList{u"fresh"_s});
    }

    void damagedHistoryPages_loadUnreadable_fileKept_choicesCarriedOver()
    {
        {
            SqlitePreferencesStore store(m_path);
            QVERIFY(store.setBoolValue(u"privacyMode"_s, true));
            QStringList texts;
            for (int i = 0; i < 3000; ++i)
                texts.append(u"item %1 "_s.arg(i).repeated(20));
            QVERIFY(store.replaceList(u"texts"_s, texts));
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

        SqlitePreferencesStore store(m_path);
        QCOMPARE(store.boolValue(u"privacyMode"_s), true);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not be read; it was kept"_s));
        const StoredHistory history = store.loadHistory();
        QCOMPARE(history.state, StoredHistory::State::Unreadable);
        const QStringList kept = setAsideFiles(m_dir->path());
        QCOMPARE(kept.size(), 1);
        QVERIFY2(history.problem.contains(kept.constFirst()), qPrintable(history.problem));
        QCOMPARE(readAll(m_dir->filePath(kept.constFirst())), damaged);

        const std::optional<QString> keptAt = store.setAsideHistory();
        QVERIFY(keptAt);
        QVERIFY(keptAt->endsWith(kept.constFirst()));
        QVERIFY(store.insertNewest(u"texts"_s, u"new start"_s));
        SqlitePreferencesStore reopened(m_path);
        QCOMPARE(reopened.boolValue(u"privacyMode"_s), true);
        QCOMPARE(reopened.loadHistory().lists.value(u"texts"_s).texts, QStringList{u"new start"_s});
    }

    void processKilledAfterWriting_committedChangesSurvive()
    {
        QProcess helper;
        helper.start(QStringLiteral(PLATFORM_HELPER), {u"write-then-die"_s, m_path});
        QVERIFY(helper.waitForFinished(20000));
        QCOMPARE(helper.readAllStandardOutput().trimmed(), QByteArray("ready"));
        QCOMPARE(helper.exitStatus(), QProcess::CrashExit);

        SqlitePreferencesStore store(m_path);
        QCOMPARE(store.boolValue(u"privacyMode"_s), true);
        const StoredHistory history = store.loadHistory();
        QCOMPARE(history.lists.value(u"texts"_s).texts, QStringList{u"written before the kill"_s});
        QCOMPARE(history.lists.value(u"urls"_s).texts,
                 (QStringList{u"https://b.example"_s, u"https://a.example"_s}));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(SqliteStoreFaultsTest)
#include "tst_sqlitestorefaults.moc"
