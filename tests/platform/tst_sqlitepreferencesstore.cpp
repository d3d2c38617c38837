// The SQLite store's own promises: what survives a reopen, what the file looks
// like, how exactly texts come back and what happens to an unreadable record.
#include "SqlitePreferencesStore.h"
#include "SqliteTestUtil.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

} // namespace

class SqlitePreferencesStoreTest final : public QObject
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

    void boolsAndHistory_surviveReopening()
    {
        std::vector<qint64> ids;
        {
            SqlitePreferencesStore store(m_path);
            QVERIFY(store.setBoolValue(u"privacyMode"_s, true));
            QVERIFY(store.setBoolValue(u"showInDock"_s, false));
            const auto urls = store.replaceList(u"urls"_s, {u"https://b"_s, u"https://a"_s});
            QVERIFY(urls);
            ids = *urls;
        }
        SqlitePreferencesStore store(m_path);
        QCOMPARE(store.boolValue(u"privacyMode"_s), true);
        QCOMPARE(store.boolValue(u"showInDock"_s), false);
        QCOMPARE(store.boolValue(u"neverSet"_s), false);
        const StoredHistory history = store.loadHistory();
        QCOMPARE(history.state, StoredHistory::State::Loaded);
        QCOMPARE(history.lists.value(u"urls"_s).texts,
                 (QStringList{u"https://b"_s, u"https://a"_s}));
        QCOMPARE(history.lists.value(u"urls"_s).ids, ids);
    }

    void boolStoredAsSomethingElse_readsFalseUnlessNonZeroInteger()
    {
        {
            SqlitePreferencesStore store(m_path);
        }
        QCOMPARE(SqliteTestUtil::exec(m_path, u"INSERT INTO preferences VALUES ('text', 'yes'), "
                                              "('real', 1.5), ('blob', x'01'), ('null', NULL), "
                                              "('zero', 0), ('one', 1), ('seven', 7)"_s),
                 QString());
        SqlitePreferencesStore store(m_path);
        QCOMPARE(store.boolValue(u"text"_s), false);
        QCOMPARE(store.boolValue(u"real"_s), false);
        QCOMPARE(store.boolValue(u"blob"_s), false);
        QCOMPARE(store.boolValue(u"null"_s), false);
        QCOMPARE(store.boolValue(u"zero"_s), false);
        QCOMPARE(store.boolValue(u"one"_s), true);
        QCOMPARE(store.boolValue(u"seven"_s), true);
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
            SqlitePreferencesStore store(m_path);
            QVERIFY(store.insertNewest(u"texts"_s, text));
            QVERIFY(store.replaceList(u"codes"_s, {text, text + text}));
        }
        SqlitePreferencesStore store(m_path);
        const StoredHistory history = store.loadHistory();
        QCOMPARE(history.lists.value(u"texts"_s).texts, QStringList{text});
        QCOMPARE(history.lists.value(u"codes"_s).texts, (QStringList{text, text + text}));
        QCOMPARE(history.lists.value(u"texts"_s).texts.constFirst().size(), text.size());
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
            SqlitePreferencesStore store(m_path);
            QVERIFY2(store.insertNewest(u"texts"_s, text), qPrintable(store.lastError()));
        }
        SqlitePreferencesStore store(m_path);
        const StoredHistory history = store.loadHistory();
        const QStringList texts = history.lists.value(u"texts"_s).texts;
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
            SqlitePreferencesStore store(m_path);
            QVERIFY(store.replaceList(u"urls"_s, {u"fine"_s}));
            QVERIFY(store.replaceList(u"texts"_s, {u"also fine"_s}));
        }
        QCOMPARE(SqliteTestUtil::exec(m_path, u"INSERT INTO clipboard_data(id, list, item) "
                                              "VALUES (17, '%1', %2)"_s.arg(key, sqlValue)),
                 QString());
        SqlitePreferencesStore store(m_path);
        const StoredHistory history = store.loadHistory();
        QCOMPARE(history.state, StoredHistory::State::Unreadable);
        QCOMPARE(history.problem, u"item 17 of \"%1\" is %2"_s.arg(key, described));
        QVERIFY(history.lists.isEmpty());
    }

    void setAsideHistory_keepsOldRowsInTheFile_newRecordStartsEmpty()
    {
        {
            SqlitePreferencesStore store(m_path);
            QVERIFY(store.replaceList(u"urls"_s, {u"u2"_s, u"u1"_s}));
            QVERIFY(store.setBoolValue(u"privacyMode"_s, true));
        }
        QCOMPARE(SqliteTestUtil::exec(
                     m_path, u"INSERT INTO clipboard_data(list, item) VALUES ('codes', 7)"_s),
                 QString());

        SqlitePreferencesStore store(m_path);
        QCOMPARE(store.loadHistory().state, StoredHistory::State::Unreadable);
        const std::optional<QString> keptAt = store.setAsideHistory();
        QVERIFY2(keptAt, qPrintable(store.lastError()));

        const auto table = SqliteTestUtil::value(
            m_path, u"SELECT name FROM sqlite_schema WHERE type = 'table' AND name LIKE "
                    "'clipboard_data_unreadable_%'"_s);
        QVERIFY(table);
        const QString tableName = table->toString();
        QVERIFY2(QRegularExpression(u"^clipboard_data_unreadable_\\d{14}$"_s)
                     .match(tableName)
                     .hasMatch(),
                 qPrintable(tableName));
        QVERIFY2(keptAt->contains(tableName), qPrintable(*keptAt));
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT count(*) FROM %1"_s.arg(tableName)),
                 QVariant(qint64(3)));
        QCOMPARE(SqliteTestUtil::value(m_path,
                                       u"SELECT group_concat(item, ',') FROM (SELECT item FROM %1 "
                                       "WHERE list = 'urls' ORDER BY id)"_s.arg(tableName)),
                 QVariant(u"u1,u2"_s));

        QCOMPARE(store.loadHistory().state, StoredHistory::State::Absent);
        QCOMPARE(store.boolValue(u"privacyMode"_s), true);
        QVERIFY(store.insertNewest(u"texts"_s, u"after"_s));
        QCOMPARE(store.loadHistory().lists.value(u"texts"_s).texts, QStringList{u"after"_s});
    }

    void setAsideTwiceInOneSecond_neverOverwritesTheFirst()
    {
        SqlitePreferencesStore store(m_path);
        QVERIFY(store.insertNewest(u"texts"_s, u"first record"_s));
        const auto first = store.setAsideHistory();
        QVERIFY(store.insertNewest(u"texts"_s, u"second record"_s));
        const auto second = store.setAsideHistory();
        QVERIFY(first && second);
        QVERIFY(*first != *second);
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT count(*) FROM sqlite_schema WHERE type = "
                                               "'table' AND name LIKE 'clipboard_data_unr%'"_s),
                 QVariant(qint64(2)));
    }

    // The file on disk

    void newDirectoryAndFiles_privateToTheUser()
    {
        const QString dir = m_dir->filePath(u"share/brimvale"_s);
        const QString path = dir + u"/brimvale.sqlite3"_s;
        SqlitePreferencesStore store(path);
        QVERIFY(store.insertNewest(u"texts"_s, u"secret-ish"_s));
        QCOMPARE(modeOf(dir), ownerAll);
        QCOMPARE(modeOf(path), ownerReadWrite);
        // While the store is open its write-ahead log and index sit beside it.
        QVERIFY(QFileInfo::exists(path + u"-wal"_s));
        QCOMPARE(modeOf(path + u"-wal"_s), ownerReadWrite);
        QCOMPARE(modeOf(path + u"-shm"_s), ownerReadWrite);
    }

    void existingFileReadableByOthers_narrowedOnOpening()
    {
        {
            SqlitePreferencesStore store(m_path);
        }
        QVERIFY(
            QFile::setPermissions(m_path, ownerReadWrite | QFile::ReadGroup | QFile::ReadOther));
        SqlitePreferencesStore store(m_path);
        QVERIFY(store.isOpen());
        QCOMPARE(modeOf(m_path), ownerReadWrite);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(SqlitePreferencesStoreTest)
#include "tst_sqlitepreferencesstore.moc"
