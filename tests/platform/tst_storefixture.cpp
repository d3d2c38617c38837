// A store file written before the store was split (see tests/data/README.md)
// loads unchanged: same preferences, same texts in the same order, same ids.
#include "SqliteStores.h"
#include "SqliteTestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// What the fixture holds, newest first, with the ids the rows were given.
struct ExpectedList
{
    QString key;
    QStringList texts;
    std::vector<qint64> ids;
};

const std::vector<ExpectedList> &expectedLists()
{
    static const std::vector<ExpectedList> lists{
        {u"urls"_s,
         {u"https://example.net/newest"_s, u"https://example.com/b"_s,
          u"https://example.org/a?q=grüße"_s},
         {9, 2, 1}},
        {u"codes"_s, {u"SELECT 1;\n"_s, u"int main() { return 0; }"_s}, {7, 4}},
        {u"texts"_s,
         {u"Grüße, 東京, 👍🏽, שלום"_s, u"before\0after"_s, u"oldest text"_s},
         {8, 6, 3}},
        {u"pinned"_s, {u"a list this version does not know"_s}, {5}},
    };
    return lists;
}

} // namespace

class StoreFixtureTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        // A copy: opening a store writes to it, and the fixture must stay as made.
        m_path = m_dir->filePath(u"brimvale.sqlite3"_s);
        QVERIFY(QFile::copy(QStringLiteral(STORE_FIXTURE), m_path));
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
    }

    void cleanup() { m_dir.reset(); }

    void fixtureAsWritten()
    {
        // Guards the test itself: a text with NUL must not have been cut short.
        QCOMPARE(expectedLists().at(2).texts.at(1).size(), 12);
    }

    void loadsUnchanged()
    {
        SqliteStores store(m_path);
        QCOMPARE(store.preferences.privacyMode(), true);
        QCOMPARE(store.preferences.showInDock(), true);
        const HistoryRecord history = store.history.load();
        QCOMPARE(history.state, HistoryRecord::State::Loaded);
        QCOMPARE(history.lists.size(), qsizetype(expectedLists().size()));
        for (const ExpectedList &expected : expectedLists()) {
            QVERIFY2(history.lists.contains(expected.key), qPrintable(expected.key));
            const StoredList list = history.lists.value(expected.key);
            QCOMPARE(list.texts(), expected.texts);
            QCOMPARE(list.ids, expected.ids);
        }
    }

    // What the program wrote before reads these rows with exactly these queries,
    // so a file written now opens there unchanged too.
    void writtenNow_inTheColumnsTheEarlierProgramReads()
    {
        {
            SqliteStores store(m_path);
            store.preferences.setPrivacyMode(false);
            QVERIFY(store.preferences.flush().ok());
            QVERIFY(store.history.insertNewest(u"texts"_s, u"written now"_s).ok());
        }
        using SqliteTestUtil::value;
        QCOMPARE(value(m_path, u"SELECT typeof(value) = 'integer' AND value <> 0 FROM preferences "
                               u"WHERE key = 'privacyMode'"_s),
                 QVariant(qint64(0)));
        QCOMPARE(value(m_path, u"SELECT typeof(value) = 'integer' AND value <> 0 FROM preferences "
                               u"WHERE key = 'showInDock'"_s),
                 QVariant(qint64(1)));
        QCOMPARE(value(m_path, u"SELECT item FROM clipboard_data WHERE list = 'texts' "
                               u"ORDER BY id DESC"_s),
                 QVariant(u"written now"_s));
        QCOMPARE(value(m_path, u"SELECT count(*) FROM clipboard_data WHERE list = 'texts'"_s),
                 QVariant(qint64(4)));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(StoreFixtureTest)
#include "tst_storefixture.moc"
