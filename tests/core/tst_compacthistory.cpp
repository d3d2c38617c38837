#include "ClipboardManager.h"
#include "FailingHistoryStore.h"
#include "HistoryIndex.h"
#include "HistoryLookup.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SqliteStores.h"
#include "SqliteTestUtil.h"
#include "TemporaryStore.h"
#include "UnicodeText.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The history lists hold their texts as UTF-8 in one block and find duplicates by
// hash: texts of every shape must come back as they went in, from memory and
// after a restart, and rows must keep their texts and ids through deletions.
class CompactHistoryTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
        restart();
    }
    void cleanup()
    {
        HistoryIndex::setCollideAllForTesting(false);
        m_manager.reset();
        m_store.reset();
    }

    void textsOfEveryShape_roundTripAndCountAsDuplicates()
    {
        const QString megabyte = u"\u00e9t\u00e9 "_s.repeated(256 * 1024);
        const QStringList shapes{u""_s,
                                 u"before\0middle\0\0after"_s,
                                 u"\U0001F44D pair and \u65e5\u672c"_s,
                                 u"\uFEFFbyte order mark first"_s,
                                 u"cafe\u0301 decomposed"_s,
                                 megabyte};
        for (const QString &text : shapes)
            m_manager->addItem(text);
        // A lone surrogate has no UTF-8 form; it reads back as the store gives it.
        m_manager->addItem(u"lone \xD800 surrogate"_s);
        const QString lone = u"lone ? surrogate"_s;
        // Invalid UTF-8 planted in the store reads as replacement characters.
        m_store->settle();
        QCOMPARE(SqliteTestUtil::exec(m_store->path(),
                                      u"INSERT INTO clipboard_data(list, item) "
                                      "VALUES('codes', CAST(X'61FF62C3' AS TEXT))"_s),
                 QString());
        const QString invalid = QString::fromUtf8("a\xff"
                                                  "b\xc3");
        QStringList expected = shapes;
        expected.append(lone);

        for (int pass = 0; pass < 2; ++pass) {
            // Each where the classifier put it, as given.
            QString scratch;
            for (const QString &text : std::as_const(expected)) {
                const auto holding = std::find_if(
                    allCategories.begin(), allCategories.end(), [&](Category category) {
                        return HistoryLookup::rowOf(m_manager->list(category), text) >= 0;
                    });
                QVERIFY2(holding != allCategories.end(), qPrintable(text.left(40)));
                const HistoryList &list = m_manager->list(*holding);
                const int row = HistoryLookup::rowOf(m_manager->list(*holding), text);
                QCOMPARE(list.textAt(row), text);
                QCOMPARE(list.textView(row, scratch), text);
                QCOMPARE(list.data(list.index(row), TextListModel::TextRole).toString(), text);
                QCOMPARE(list.data(list.index(row)).toString(), displayText(text));
            }
            // Equal texts are one, whatever form they come in.
            for (const QString &text : std::as_const(expected))
                m_manager->addItem(text);
            m_manager->addItem(u"caf\u00e9 decomposed"_s);
            m_manager->addItem(u"lone \xD800 surrogate"_s);
            QCOMPARE(m_manager->urls().size() + m_manager->codes().size() +
                         m_manager->texts().size(),
                     int(expected.size()) + pass);
            if (pass == 1)
                QCOMPARE(m_manager->codes().textAt(0), invalid);
            QVERIFY(HistoryLookup::isRecorded(*m_manager, invalid) == (pass == 1));
            restart();
        }
    }

    void deletingFromTheMiddle_keepsEveryOtherRowsTextAndId()
    {
        // Long rows, so that the deleted ones leave more than a megabyte unused
        // and the block is compacted; short ones between them. Every fifth long
        // row is long enough to be held in a block of its own. Each long row
        // stays below the length that is written on a worker thread.
        const auto longText = [](int i) {
            return QString((i % 10 == 0 ? 70 * 1000 : 65 * 1000) - i,
                           QChar(char16_t(u'a' + i % 26)));
        };
        QStringList added;
        for (int i = 0; i < 60; ++i) {
            added.prepend(i % 2 ? u"short %1 \u00fcber"_s.arg(i) : longText(i));
            m_manager->addItem(added.constFirst());
        }
        const auto longRowNearTheMiddle = [&] {
            for (int offset = 0;; ++offset)
                for (const int row :
                     {int(added.size()) / 2 + offset, int(added.size()) / 2 - offset})
                    if (row >= 0 && row < added.size() && added.at(row).size() > 1000)
                        return row;
        };
        for (int pass = 0; pass < 2; ++pass) {
            const HistoryList &texts = m_manager->texts();
            for (int deleted = 0; deleted < 26 - 24 * pass; ++deleted) {
                const int row = longRowNearTheMiddle();
                HistoryLookup::deleteRow(*m_manager, Category::Text, row);
                QVERIFY(!HistoryLookup::isRecorded(*m_manager, added.takeAt(row)));
                QCOMPARE(texts.toStringList(), added);
            }
            // A new long text takes the place of a deleted one.
            added.prepend(QString(70 * 1000, QChar(char16_t(u'Z' - pass))));
            m_manager->addItem(added.constFirst());
            QCOMPARE(texts.toStringList(), added);
            m_store->settle();
            const StoredList stored = m_store->history().load().lists.value(u"texts"_s);
            QCOMPARE(stored.texts(), added);
            for (int row = 0; row < texts.size(); ++row) {
                QCOMPARE(texts.storeIdAt(row), stored.ids.at(std::size_t(row)));
                QCOMPARE(texts.rowOfStoreId(stored.ids.at(std::size_t(row))), row);
                QVERIFY(HistoryLookup::isRecorded(*m_manager, added.at(row)));
            }
            QCOMPARE(texts.rowOfStoreId(stored.ids.front() + 1), -1);
            QCOMPARE(texts.rowOfStoreId(0), -1);
            // Once more on the loaded form, whose rows were never moved.
            restart();
        }
    }

    void equalHashes_stillTellTextsApart()
    {
        HistoryIndex::setCollideAllForTesting(true);
        // An older record may hold a text twice; both are counted.
        QVERIFY(m_store->history().replaceList(u"texts"_s, {u"b"_s, u"a"_s, u"b"_s}).ok());
        restart();
        for (const QString &text : {u"c"_s, u"a"_s, u"d"_s})
            m_manager->addItem(text);
        QCOMPARE(m_manager->texts().toStringList(),
                 (QStringList{u"d"_s, u"c"_s, u"b"_s, u"a"_s, u"b"_s}));
        QCOMPARE(HistoryLookup::rowOf(m_manager->list(Category::Text), u"b"_s), 2);
        QVERIFY(!HistoryLookup::isRecorded(*m_manager, u"e"_s));
        m_manager->deleteItem(Category::Text, u"b"_s);
        QVERIFY(HistoryLookup::isRecorded(*m_manager, u"b"_s));
        QCOMPARE(HistoryLookup::rowOf(m_manager->list(Category::Text), u"b"_s), 3);
        m_manager->deleteItem(Category::Text, u"b"_s);
        QVERIFY(!HistoryLookup::isRecorded(*m_manager, u"b"_s));
        for (const QString &text : {u"a"_s, u"c"_s, u"d"_s})
            QVERIFY(HistoryLookup::isRecorded(*m_manager, text));
        m_manager->addItem(u"b"_s);
        QCOMPARE(m_manager->texts().toStringList(), (QStringList{u"b"_s, u"d"_s, u"c"_s, u"a"_s}));
    }

private:
    void restart()
    {
        m_manager.reset();
        m_store->restart();
        m_manager = std::make_unique<ClipboardManager>(m_clipboard, m_store->preferences(),
                                                       m_store->failingHistory(), m_timers);
    }

    MemoryClipboard m_clipboard;
    ManualPollTimers m_timers;
    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_GUILESS_MAIN(CompactHistoryTest)
#include "tst_compacthistory.moc"
