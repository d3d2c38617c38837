// The store file in surroundings it did not choose: a file or folder it may read
// but not write, tables of another shape beside its own, a link in its place.
#include "SqliteStores.h"
#include "SqliteTestUtil.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                        QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
constexpr QFile::Permissions readOnlyFile = QFile::ReadOwner;
constexpr QFile::Permissions readWriteFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions readOnlyDir = QFile::ReadOwner | QFile::ExeOwner;
constexpr QFile::Permissions privateDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QFile::Permissions modeOf(const QString &path)
{
    return QFileInfo(path).permissions() & everyone;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList tablesLike(const QString &path, const QString &pattern)
{
    const QString names =
        SqliteTestUtil::value(path, u"SELECT group_concat(name, ',') FROM "
                                    "(SELECT name FROM sqlite_schema WHERE "
                                    "name LIKE '%1' ORDER BY name)"_s.arg(pattern))
            .value_or(QVariant())
            .toString();
    return names.isEmpty() ? QStringList() : names.split(u',');
}

} // namespace

class StoreSurroundingsTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_folder = m_dir->filePath(u"data"_s);
        m_path = m_folder + u"/brimvale.sqlite3"_s;
    }

    void cleanup()
    {
        QFile::setPermissions(m_folder, privateDir);
        m_dir.reset();
    }

    // Read-only file or folder

    void readOnlyFile_historyRead_writesRefused_thenWrittenOnceWritable()
    {
        if (Unprivileged::needed())
            return Unprivileged::run(QTest::currentTestFunction());
        plantHistory();
        QVERIFY(QFile::setPermissions(m_path, readOnlyFile));
        checkReadOnlyThenWritable([this] { return QFile::setPermissions(m_path, readWriteFile); });
        QCOMPARE(modeOf(m_path), readWriteFile);
    }

    void readOnlyFolder_historyRead_writesRefused_thenWrittenOnceWritable()
    {
        if (Unprivileged::needed())
            return Unprivileged::run(QTest::currentTestFunction());
        plantHistory();
        QVERIFY(!QFileInfo::exists(m_path + u"-wal"_s));
        QVERIFY(QFile::setPermissions(m_folder, readOnlyDir));
        checkReadOnlyThenWritable([this] { return QFile::setPermissions(m_folder, privateDir); });
    }

    void readOnlyFileWithJournalLeftBehind_journalRead_thenWrittenOnceWritable()
    {
        if (Unprivileged::needed())
            return Unprivileged::run(QTest::currentTestFunction());
        // A process killed after writing leaves its commits in the journal.
        QProcess helper;
        helper.start(QStringLiteral(PLATFORM_HELPER), {u"write-then-die"_s, m_path});
        QVERIFY(helper.waitForFinished(20000));
        QCOMPARE(helper.exitStatus(), QProcess::CrashExit);
        QVERIFY(QFileInfo(m_path + u"-wal"_s).size() > 0);
        QVERIFY(QFile::setPermissions(m_path, readOnlyFile));

        SqliteStores store(m_path);
        const HistoryRecord history = store.history.load();
        QVERIFY2(history.state == HistoryRecord::State::Loaded, qPrintable(history.error));
        QCOMPARE(history.lists.value(u"texts"_s).texts(),
                 QStringList{u"written before the kill"_s});
        QCOMPARE(store.preferences.privacyMode(), true);
        QVERIFY(!store.history.insertNewest(u"texts"_s, u"refused"_s).ok());
        QVERIFY(QFile::setPermissions(m_path, readWriteFile));
        const auto accepted = store.history.insertNewest(u"texts"_s, u"accepted"_s);
        QVERIFY2(accepted.ok(), qPrintable(accepted.error()));
        QCOMPARE(store.history.load().lists.value(u"texts"_s).texts(),
                 (QStringList{u"accepted"_s, u"written before the kill"_s}));
    }

    // What sqlite3 leaves when run on a store made read-only: an index of the
    // journal that only its owner may read. It is the user's own, so it is made
    // writable again, with one line, rather than every later write failing.
    void strayReadOnlyJournalIndex_ofOurs_madeWritableWithOneLine()
    {
        if (Unprivileged::needed())
            return Unprivileged::run(QTest::currentTestFunction());
        plantHistory();
        const QString index = m_path + u"-shm"_s;
        {
            QFile stray(index);
            QVERIFY(stray.open(QIODevice::WriteOnly));
            stray.write(QByteArray(32768, '\0'));
        }
        QVERIFY(QFile::setPermissions(index, readOnlyFile));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"-shm .*made writable"_s));
        SqliteStores store(m_path);
        const auto accepted = store.history.insertNewest(u"texts"_s, u"accepted"_s);
        QVERIFY2(accepted.ok(), qPrintable(accepted.error()));
        QCOMPARE(modeOf(index), readWriteFile);
        QCOMPARE(store.history.load().lists.value(u"texts"_s).texts(),
                 (QStringList{u"accepted"_s, u"newer"_s, u"older"_s}));
    }

    // Tables of another shape

    void preferencesOfAnotherShape_setAsideWithOneLine_historyLoads()
    {
        plantHistory();
        QCOMPARE(SqliteTestUtil::exec(m_path,
                                      u"DROP TABLE preferences;"
                                      "CREATE TABLE preferences(name TEXT, setting TEXT);"
                                      "INSERT INTO preferences VALUES('privacyMode', 'on')"_s),
                 QString());
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(u"preferences.*kept as .*preferences_unreadable_\\d{14}"_s));
        {
            SqliteStores store(m_path);
            const HistoryRecord history = store.history.load();
            QCOMPARE(history.state, HistoryRecord::State::Loaded);
            QCOMPARE(history.lists.value(u"texts"_s).texts(),
                     (QStringList{u"newer"_s, u"older"_s}));
            QCOMPARE(store.preferences.privacyMode(), false);
            store.preferences.setPrivacyMode(true);
            QVERIFY(store.preferences.flush().ok());
            QVERIFY(store.history.insertNewest(u"texts"_s, u"newest"_s).ok());
        }
        const QStringList kept = tablesLike(m_path, u"preferences_unreadable_%"_s);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT setting FROM %1"_s.arg(kept.constFirst())),
                 QVariant(u"on"_s));
        SqliteStores reopened(m_path);
        QCOMPARE(reopened.preferences.privacyMode(), true);
        QCOMPARE(reopened.history.load().lists.value(u"texts"_s).texts().size(), 3);
        QCOMPARE(tablesLike(m_path, u"preferences_unreadable_%"_s), kept);
    }

    void historyOfAnotherShape_unreadable_preferencesKept()
    {
        {
            SqliteStores store(m_path);
            store.preferences.setShowInDock(true);
            QVERIFY(store.preferences.flush().ok());
        }
        QCOMPARE(SqliteTestUtil::exec(m_path, u"DROP TABLE clipboard_data;"
                                              "CREATE TABLE clipboard_data(id INTEGER PRIMARY KEY, "
                                              "kind TEXT, body TEXT);"
                                              "INSERT INTO clipboard_data(kind, body) "
                                              "VALUES('texts', 'theirs')"_s),
                 QString());
        SqliteStores store(m_path);
        QCOMPARE(store.preferences.showInDock(), true);
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.state, HistoryRecord::State::Unreadable);
        QVERIFY2(history.problem.contains(u"clipboard_data"_s), qPrintable(history.problem));
        const StoreResult<QString> keptAt = store.history.setAsideHistory();
        QVERIFY2(keptAt.ok(), qPrintable(keptAt.error()));
        QVERIFY(store.history.insertNewest(u"texts"_s, u"mine"_s).ok());
        const QStringList kept = tablesLike(m_path, u"clipboard_data_unreadable_%"_s);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT body FROM %1"_s.arg(kept.constFirst())),
                 QVariant(u"theirs"_s));
        QCOMPARE(store.history.load().lists.value(u"texts"_s).texts(), QStringList{u"mine"_s});
    }

    // A link in the store's place

    void linkToAUsersTextFile_neitherTargetNorLinkTouched()
    {
        QVERIFY(QDir().mkpath(m_folder));
        const QString target = m_dir->filePath(u"notes.txt"_s);
        const QByteArray notes = "my own notes\n";
        {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(notes);
        }
        const QFile::Permissions open = readWriteFile | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(target, open));
        QVERIFY(QFile::link(target, m_path));

        SqliteStores store(m_path);
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.state, HistoryRecord::State::Failed);
        QVERIFY2(history.error.contains(m_path) && history.error.contains(target),
                 qPrintable(history.error));
        QVERIFY(!store.history.insertNewest(u"texts"_s, u"kept in memory"_s).ok());
        store.preferences.setPrivacyMode(true);
        QVERIFY(!store.preferences.flush().ok());

        QCOMPARE(modeOf(target), open);
        QCOMPARE(readAll(target), notes);
        QCOMPARE(QFileInfo(m_path).symLinkTarget(), target);
        QCOMPARE(QDir(m_folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                 QStringList{u"brimvale.sqlite3"_s});
    }

    void linkToAValidStore_usedAsIs()
    {
        const QString elsewhere = m_dir->filePath(u"synced/brimvale.sqlite3"_s);
        {
            SqliteStores earlier(elsewhere);
            QVERIFY(earlier.history.insertNewest(u"texts"_s, u"from elsewhere"_s).ok());
        }
        const QFile::Permissions shared = readWriteFile | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(elsewhere, shared));
        QVERIFY(QDir().mkpath(m_folder));
        QVERIFY(QFile::link(elsewhere, m_path));
        {
            SqliteStores store(m_path);
            QCOMPARE(store.history.load().lists.value(u"texts"_s).texts(),
                     QStringList{u"from elsewhere"_s});
            QVERIFY(store.history.insertNewest(u"texts"_s, u"through the link"_s).ok());
        }
        QCOMPARE(modeOf(elsewhere), shared);
        QVERIFY(QFileInfo(m_path).isSymLink());
        SqliteStores direct(elsewhere);
        QCOMPARE(direct.history.load().lists.value(u"texts"_s).texts(),
                 (QStringList{u"through the link"_s, u"from elsewhere"_s}));
    }

    void danglingLink_leftAlone_storeUsableOnceItLeadsSomewhere()
    {
        QVERIFY(QDir().mkpath(m_folder));
        const QString target = m_dir->filePath(u"missing/brimvale.sqlite3"_s);
        QVERIFY(QFile::link(target, m_path));
        SqliteStores store(m_path);
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.state, HistoryRecord::State::Failed);
        QVERIFY2(history.error.contains(target), qPrintable(history.error));
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(QFileInfo(m_path).symLinkTarget(), target);

        QVERIFY(QFile::remove(m_path));
        QVERIFY(store.history.insertNewest(u"texts"_s, u"t"_s).ok());
        QVERIFY(!QFileInfo(m_path).isSymLink());
    }

private:
    void plantHistory()
    {
        SqliteStores store(m_path);
        QVERIFY(store.history.replaceList(u"texts"_s, {u"newer"_s, u"older"_s}).ok());
    }

    // The stored history reads, a write is refused, and once `makeWritable` has run
    // the next write goes through.
    template <typename MakeWritable> void checkReadOnlyThenWritable(MakeWritable makeWritable)
    {
        SqliteStores store(m_path);
        const HistoryRecord history = store.history.load();
        QVERIFY2(history.state == HistoryRecord::State::Loaded, qPrintable(history.error));
        QCOMPARE(history.lists.value(u"texts"_s).texts(), (QStringList{u"newer"_s, u"older"_s}));
        const auto refused = store.history.insertNewest(u"texts"_s, u"refused"_s);
        QVERIFY(!refused.ok());
        QVERIFY(!refused.error().isEmpty());
        store.preferences.setPrivacyMode(true);
        QVERIFY(!store.preferences.flush().ok());
        QCOMPARE(store.preferences.privacyMode(), true);

        QVERIFY(makeWritable());
        const auto accepted = store.history.insertNewest(u"texts"_s, u"accepted"_s);
        QVERIFY2(accepted.ok(), qPrintable(accepted.error()));
        SqliteStores reopened(m_path);
        QCOMPARE(reopened.history.load().lists.value(u"texts"_s).texts(),
                 (QStringList{u"accepted"_s, u"newer"_s, u"older"_s}));
        QCOMPARE(reopened.preferences.privacyMode(), true);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QString m_path;
};

QTEST_GUILESS_MAIN(StoreSurroundingsTest)
#include "tst_storesurroundings.moc"
