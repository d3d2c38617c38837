// The SQLite stores' own promises: what survives a reopen, what the file looks
// like, how exactly texts come back and what happens to an unreadable record.
#include "SqliteStores.h"
#include "SqliteTestUtil.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr QFile::Permissions ownerReadWrite = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions ownerAll = ownerReadWrite | QFile::ExeOwner;
constexpr QFile::Permissions anyOwnerGroupOther =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup |
    QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

QFile::Permissions modeOf(const QString &path)
{
    return QFileInfo(path).permissions() & anyOwnerGroupOther;
}

// Sets the process's umask for the life of this object.
class ScopedUmask final
{
public:
    explicit ScopedUmask(mode_t mask) : m_previous(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_previous); }
    ScopedUmask(const ScopedUmask &) = delete;
    ScopedUmask &operator=(const ScopedUmask &) = delete;

private:
    mode_t m_previous;
};

} // namespace

class SqliteStoreTest final : public QObject
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

    // Persistence

    void preferencesAndHistory_surviveReopening()
    {
        std::vector<qint64> ids;
        {
            SqliteStores store(m_path);
            store.preferences.setPrivacyMode(true);
            QVERIFY(store.preferences.flush().ok());
            store.preferences.setShowInDock(false);
            QVERIFY(store.preferences.flush().ok());
            const auto urls =
                store.history.replaceList(u"urls"_s, {u"https://b"_s, u"https://a"_s});
            QVERIFY(urls.ok());
            ids = urls.value();
        }
        SqliteStores store(m_path);
        QCOMPARE(store.preferences.privacyMode(), true);
        QCOMPARE(store.preferences.showInDock(), false);
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.state, HistoryRecord::State::Loaded);
        QCOMPARE(history.lists.value(u"urls"_s).texts(),
                 (QStringList{u"https://b"_s, u"https://a"_s}));
        QCOMPARE(history.lists.value(u"urls"_s).ids, ids);
    }

    void preferenceStoredAsSomethingElse_readsFalseUnlessNonZeroInteger_data()
    {
        QTest::addColumn<QString>("sqlValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("text") << u"'yes'"_s << false;
        QTest::newRow("real") << u"1.5"_s << false;
        QTest::newRow("blob") << u"x'01'"_s << false;
        QTest::newRow("null") << u"NULL"_s << false;
        QTest::newRow("zero") << u"0"_s << false;
        QTest::newRow("one") << u"1"_s << true;
        QTest::newRow("seven") << u"7"_s << true;
    }

    void preferenceStoredAsSomethingElse_readsFalseUnlessNonZeroInteger()
    {
        QFETCH(QString, sqlValue);
        QFETCH(bool, expected);
        {
            SqliteStores store(m_path);
        }
        // Keys that are no preference of ours are left alone.
        QCOMPARE(
            SqliteTestUtil::exec(m_path, u"INSERT INTO preferences VALUES ('privacyMode', %1), "
                                         "('showInDock', %1), ('unknown', 1)"_s.arg(sqlValue)),
            QString());
        SqliteStores store(m_path);
        QCOMPARE(store.preferences.privacyMode(), expected);
        QCOMPARE(store.preferences.showInDock(), expected);
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT count(*) FROM preferences"_s),
                 QVariant(qint64(3)));
    }

    void numberPreference_survivesReopening_somethingElseReadsAsDefault_data()
    {
        QTest::addColumn<QString>("sqlValue");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("integer") << u"640"_s << qint64(640);
        QTest::newRow("text") << u"'640'"_s << qint64(0);
        QTest::newRow("real") << u"640.5"_s << qint64(0);
        QTest::newRow("null") << u"NULL"_s << qint64(0);
    }

    void numberPreference_survivesReopening_somethingElseReadsAsDefault()
    {
        QFETCH(QString, sqlValue);
        QFETCH(qint64, expected);
        {
            SqliteStores store(m_path);
            store.preferences.setNumber(Preference::WindowHeight, 512);
            QVERIFY(store.preferences.flush().ok());
            store.preferences.setShowInDock(true);
            QVERIFY(store.preferences.flush().ok());
        }
        QCOMPARE(SqliteTestUtil::exec(
                     m_path, u"INSERT INTO preferences VALUES ('windowWidth', %1)"_s.arg(sqlValue)),
                 QString());
        SqliteStores store(m_path);
        QCOMPARE(store.preferences.number(Preference::WindowWidth), expected);
        QCOMPARE(store.preferences.number(Preference::WindowHeight), qint64(512));
        QCOMPARE(store.preferences.showInDock(), true);
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT value FROM preferences WHERE key = "
                                               "'windowHeight'"_s),
                 QVariant(qint64(512)));
    }

    // Texts come back exactly

    void texts_roundTripExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("NUL characters") << u"before\0middle\0\0after"_s;
        QTest::newRow("only NUL") << QString(3, QChar(0));
        QTest::newRow("replacement characters from invalid UTF-8")
            << QString::fromUtf8("ok \xff\xfe bad \xc3 end");
        QTest::newRow("emoji and sequences") << u"👍🏽 👨‍👩‍👧 🇩🇪 e\u0301"_s;
        QTest::newRow("control characters and line ends") << u"\t\r\n\x1b[31m\r\x7f"_s;
        QTest::newRow("right-to-left") << u"שלום עולם"_s;
    }

    void texts_roundTripExactly()
    {
        QFETCH(QString, text);
        {
            SqliteStores store(m_path);
            QVERIFY(store.history.insertNewest(u"texts"_s, text).ok());
            QVERIFY(store.history.replaceList(u"codes"_s, {text, text + text}).ok());
        }
        SqliteStores store(m_path);
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.lists.value(u"texts"_s).texts(), QStringList{text});
        QCOMPARE(history.lists.value(u"codes"_s).texts(), (QStringList{text, text + text}));
        QCOMPARE(history.lists.value(u"texts"_s).texts().constFirst().size(), text.size());
    }

    void fiftyMegabyteText_roundTripsExactly()
    {
        // Numbered blocks, so a lost or repeated block cannot go unnoticed.
        QString text;
        text.reserve(50 * 1024 * 1024 + 8192);
        const QString block = u"ä€𝄞\0\n"_s.repeated(1000);
        for (int i = 0; text.size() < 50 * 1024 * 1024; ++i)
            text += QString::number(i) + block;
        {
            SqliteStores store(m_path);
            const auto id = store.history.insertNewest(u"texts"_s, text);
            QVERIFY2(id.ok(), qPrintable(id.error()));
        }
        SqliteStores store(m_path);
        const HistoryRecord history = store.history.load();
        const QStringList texts = history.lists.value(u"texts"_s).texts();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts.constFirst() == text);
    }

    // Unreadable record

    void itemNotText_underAnyKey_recordUnreadable_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("sqlValue");
        QTest::addColumn<QString>("described");
        QTest::newRow("integer in urls") << u"urls"_s << u"42"_s << u"an integer"_s;
        QTest::newRow("real in texts") << u"texts"_s << u"2.5"_s << u"a real number"_s;
        QTest::newRow("blob under another key") << u"pinned"_s << u"x'00ff'"_s << u"a blob"_s;
        QTest::newRow("NULL in codes") << u"codes"_s << u"NULL"_s << u"NULL"_s;
    }

    void itemNotText_underAnyKey_recordUnreadable()
    {
        QFETCH(QString, key);
        QFETCH(QString, sqlValue);
        QFETCH(QString, described);
        {
            SqliteStores store(m_path);
            QVERIFY(store.history.replaceList(u"urls"_s, {u"fine"_s}).ok());
            QVERIFY(store.history.replaceList(u"texts"_s, {u"also fine"_s}).ok());
        }
        QCOMPARE(SqliteTestUtil::exec(m_path, u"INSERT INTO clipboard_data(id, list, item) "
                                              "VALUES (17, '%1', %2)"_s.arg(key, sqlValue)),
                 QString());
        SqliteStores store(m_path);
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.state, HistoryRecord::State::Unreadable);
        QCOMPARE(history.problem, u"item 17 of \"%1\" is %2"_s.arg(key, described));
        QVERIFY(history.lists.isEmpty());
    }

    void setAsideHistory_keepsOldRowsInTheFile_newRecordStartsEmpty()
    {
        {
            SqliteStores store(m_path);
            QVERIFY(store.history.replaceList(u"urls"_s, {u"u2"_s, u"u1"_s}).ok());
            store.preferences.setPrivacyMode(true);
            QVERIFY(store.preferences.flush().ok());
        }
        QCOMPARE(SqliteTestUtil::exec(
                     m_path, u"INSERT INTO clipboard_data(list, item) VALUES ('codes', 7)"_s),
                 QString());

        SqliteStores store(m_path);
        QCOMPARE(store.history.load().state, HistoryRecord::State::Unreadable);
        const StoreResult<QString> keptAt = store.history.setAsideHistory();
        QVERIFY2(keptAt.ok(), qPrintable(keptAt.error()));

        const auto table = SqliteTestUtil::value(
            m_path, u"SELECT name FROM sqlite_schema WHERE type = 'table' AND name LIKE "
                    "'clipboard_data_unreadable_%'"_s);
        QVERIFY(table);
        const QString tableName = table->toString();
        QVERIFY2(QRegularExpression(u"^clipboard_data_unreadable_\\d{14}$"_s)
                     .match(tableName)
                     .hasMatch(),
                 qPrintable(tableName));
        QVERIFY2(keptAt.value().contains(tableName), qPrintable(keptAt.value()));
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT count(*) FROM %1"_s.arg(tableName)),
                 QVariant(qint64(3)));
        QCOMPARE(SqliteTestUtil::value(m_path,
                                       u"SELECT group_concat(item, ',') FROM (SELECT item FROM %1 "
                                       "WHERE list = 'urls' ORDER BY id)"_s.arg(tableName)),
                 QVariant(u"u1,u2"_s));

        QCOMPARE(store.history.load().state, HistoryRecord::State::Absent);
        QCOMPARE(store.preferences.privacyMode(), true);
        QVERIFY(store.history.insertNewest(u"texts"_s, u"after"_s).ok());
        QCOMPARE(store.history.load().lists.value(u"texts"_s).texts(), QStringList{u"after"_s});
    }

    void setAsideTwiceInOneSecond_neverOverwritesTheFirst()
    {
        SqliteStores store(m_path);
        QVERIFY(store.history.insertNewest(u"texts"_s, u"first record"_s).ok());
        const auto first = store.history.setAsideHistory();
        QVERIFY(store.history.insertNewest(u"texts"_s, u"second record"_s).ok());
        const auto second = store.history.setAsideHistory();
        QVERIFY(first.ok() && second.ok());
        QVERIFY(first.value() != second.value());
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT count(*) FROM sqlite_schema WHERE type = "
                                               "'table' AND name LIKE 'clipboard_data_unr%'"_s),
                 QVariant(qint64(2)));
    }

    void pins_inPinOrder_goWithTheirItem_leftoversOfOlderVersionsDropped()
    {
        SqliteStores store(m_path);
        const auto ids = store.history.replaceList(u"texts"_s, {u"c"_s, u"b"_s, u"a"_s});
        QVERIFY(ids.ok());
        const qint64 b = ids.value()[1], a = ids.value()[2];
        QVERIFY(store.history.pinItem(b).ok());
        QVERIFY(store.history.pinItem(a).ok());
        // Pinned again, it keeps its place; unpinned and pinned, it goes last.
        QVERIFY(store.history.pinItem(b).ok());
        QCOMPARE(store.history.load().pins, (std::vector<qint64>{b, a}));
        QVERIFY(store.history.unpinItem(b).ok());
        QVERIFY(store.history.unpinItem(b).ok());
        QVERIFY(store.history.pinItem(b).ok());
        QCOMPARE(store.history.load().pins, (std::vector<qint64>{a, b}));

        QVERIFY(store.history.removeUnpinned(u"texts"_s).ok());
        QCOMPARE(store.history.load().lists.value(u"texts"_s).texts(),
                 (QStringList{u"b"_s, u"a"_s}));

        // A version that knows no pins deletes an item and leaves its pin: the pin
        // is not read, and an item stored anew under that id is not pinned.
        QCOMPARE(SqliteTestUtil::exec(m_path, u"DELETE FROM clipboard_data WHERE id = %1"_s.arg(b)),
                 QString());
        HistoryRecord record = store.history.load();
        QCOMPARE(record.state, HistoryRecord::State::Loaded);
        QCOMPARE(record.pins, std::vector<qint64>{a});
        QVERIFY(store.history.insertItem(u"texts"_s, b, "new b").ok());
        QCOMPARE(store.history.load().pins, std::vector<qint64>{a});

        QVERIFY(store.history.removeItem(a).ok());
        QVERIFY(store.history.load().pins.empty());
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT count(*) FROM pinned_items"_s),
                 QVariant(qint64(0)));

        // A table of another shape under the name: the history still loads, and
        // the next pin makes its own table beside it.
        QCOMPARE(SqliteTestUtil::exec(m_path, u"DROP TABLE pinned_items; CREATE TABLE "
                                              "pinned_items(note TEXT)"_s),
                 QString());
        record = store.history.load();
        QCOMPARE(record.state, HistoryRecord::State::Loaded);
        QVERIFY(store.history.pinItem(b).ok());
        QCOMPARE(store.history.load().pins, std::vector<qint64>{b});
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT count(*) FROM sqlite_schema WHERE name "
                                               "LIKE 'pinned_items_unreadable_%'"_s),
                 QVariant(qint64(1)));
        // A record set aside takes its pins along: they would name the new items.
        QVERIFY(store.history.setAsideHistory().ok());
        QVERIFY(store.history.insertItem(u"texts"_s, b, "newer b").ok());
        QVERIFY(store.history.load().pins.empty());
    }

    // The file on disk

    void newDirectoryAndFiles_privateToTheUser_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("umask 022") << 022;
        QTest::newRow("umask 000") << 0;
        QTest::newRow("umask 077") << 077;
    }

    void newDirectoryAndFiles_privateToTheUser()
    {
        QFETCH(int, mask);
        const ScopedUmask umask(static_cast<mode_t>(mask));
        const QString dir = m_dir->filePath(u"share/brimvale"_s);
        const QString path = dir + u"/brimvale.sqlite3"_s;
        SqliteStores store(path);
        QVERIFY(store.history.insertNewest(u"texts"_s, u"secret-ish"_s).ok());
        QCOMPARE(modeOf(dir), ownerAll);
        QCOMPARE(modeOf(path), ownerReadWrite);
        // While the store is open its write-ahead log and index sit beside it.
        QVERIFY(QFileInfo::exists(path + u"-wal"_s));
        QCOMPARE(modeOf(path + u"-wal"_s), ownerReadWrite);
        QCOMPARE(modeOf(path + u"-shm"_s), ownerReadWrite);
    }

    // A store, or the empty file an earlier start made and left before SQLite
    // wrote to it.
    void existingFileReadableByOthers_narrowedOnOpening()
    {
        for (const bool empty : {false, true}) {
            QFile::remove(m_path);
            if (empty) {
                QVERIFY(QFile(m_path).open(QIODevice::WriteOnly));
            } else {
                SqliteStores store(m_path);
            }
            QVERIFY(QFile::setPermissions(m_path,
                                          ownerReadWrite | QFile::ReadGroup | QFile::ReadOther));
            // At the first opening: the file is written right after it.
            SqliteStoreFile file(m_path);
            QVERIFY(file.open().ok());
            QCOMPARE(modeOf(m_path), ownerReadWrite);
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(SqliteStoreTest)
#include "tst_sqlitestore.moc"
