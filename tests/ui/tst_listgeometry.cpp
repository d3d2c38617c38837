#include "RowGeometry.h"
#include "TextBlocks.h"

#include <QTest>

#include <random>

using namespace Qt::StringLiterals;

// Positions of the list's rows, and the blocks and heights of the preview's text.
class ListGeometryTest final : public QObject
{
    Q_OBJECT

private slots:
    void uniformRows_stackAtTheBaseHeight()
    {
        RowGeometry geometry;
        geometry.setBaseHeight(40);
        geometry.reset(100000);
        QCOMPARE(geometry.rowTop(0), 0);
        QCOMPARE(geometry.rowTop(99999), 99999 * 40);
        QCOMPARE(geometry.totalHeight(), 100000 * 40);
        QCOMPARE(geometry.rowAt(0), 0);
        QCOMPARE(geometry.rowAt(39), 0);
        QCOMPARE(geometry.rowAt(40), 1);
        QCOMPARE(geometry.rowAt(100000 * 40), -1);
        QCOMPARE(geometry.rowAt(-1), -1);
    }

    void tallerRow_pushesTheRowsBelowIt()
    {
        RowGeometry geometry;
        geometry.setBaseHeight(40);
        geometry.reset(10);
        const int id = geometry.add({3, 155, false});
        QCOMPARE(geometry.rowHeight(3), 195);
        QCOMPARE(geometry.rowTop(3), 120);
        QCOMPARE(geometry.rowTop(4), 120 + 195);
        QCOMPARE(geometry.rowAt(120 + 194), 3);
        QCOMPARE(geometry.rowAt(120 + 195), 4);
        QCOMPARE(geometry.totalHeight(), 400 + 155);
        geometry.remove(id);
        QCOMPARE(geometry.rowTop(4), 160);
    }

    void adjustments_followTheirRowsThroughInsertAndRemove()
    {
        RowGeometry geometry;
        geometry.setBaseHeight(10);
        geometry.reset(5);
        const int tall = geometry.add({2, 100, false});
        geometry.insertRows(0, 2);
        QCOMPARE(geometry.rowCount(), 7);
        QCOMPARE(geometry.find(tall)->row, 4);
        QCOMPARE(geometry.rowHeight(4), 110);
        geometry.removeRows(0, 1);
        QCOMPARE(geometry.find(tall)->row, 3);
        // The row itself goes, and its adjustment with it.
        geometry.removeRows(3, 1);
        QVERIFY(!geometry.find(tall));
        QCOMPARE(geometry.totalHeight(), 50);
    }

    void gap_liesAboveItsRowAndIsNoRow()
    {
        RowGeometry geometry;
        geometry.setBaseHeight(10);
        geometry.reset(4);
        const int gap = geometry.add({2, 7, true});
        QCOMPARE(geometry.gapTop(gap), 20);
        QCOMPARE(geometry.rowTop(2), 27);
        QCOMPARE(geometry.rowAt(22), -1);
        QCOMPARE(geometry.rowAt(27), 2);
        const int second = geometry.add({2, 5, true});
        QCOMPARE(geometry.gapTop(second), 27);
        QCOMPARE(geometry.rowTop(2), 32);
        const int growing = geometry.add({0, -4, false});
        QCOMPARE(geometry.gapTop(gap), 16);
        QCOMPARE(geometry.rowHeight(0), 6);
        QCOMPARE(geometry.totalHeight(), 40 + 7 + 5 - 4);
        geometry.remove(growing);
        // Removing the rows around a gap moves it up to where they were.
        geometry.removeRows(1, 2);
        QCOMPARE(geometry.find(gap)->row, 1);
        QCOMPARE(geometry.rowTop(1), 10 + 12);
    }

    void rowAt_agreesWithAScanOfEveryRow()
    {
        RowGeometry geometry;
        geometry.setBaseHeight(13);
        geometry.reset(300);
        geometry.add({7, 150, false});
        geometry.add({0, -9, false});
        geometry.add({40, 20, true});
        geometry.add({299, 4, false});
        for (int y = 0; y < geometry.totalHeight() + 5; ++y) {
            int expected = -1;
            for (int row = 0; row < geometry.rowCount(); ++row) {
                if (y >= geometry.rowTop(row) && y < geometry.rowTop(row) + geometry.rowHeight(row))
                    expected = row;
            }
            QCOMPARE(geometry.rowAt(y), expected);
        }
    }

    void textBlocks_cutAtLineBreaks()
    {
        const TextBlocks blocks(u"one\ntwo\r\nthree\rfour\u2029"_s);
        QCOMPARE(blocks.count(), 5);
        QCOMPARE(blocks.block(0), u"one"_s);
        QCOMPARE(blocks.block(1), u"two"_s);
        QCOMPARE(blocks.block(2), u"three"_s);
        QCOMPARE(blocks.block(3), u"four"_s);
        QCOMPARE(blocks.block(4), QString());
        QCOMPARE(TextBlocks(QString()).count(), 1);
    }

    void textBlocks_cutLongLinesAtSpacesOrBetweenCharacters()
    {
        QString words;
        while (words.size() < 1000)
            words += u"word "_s;
        const TextBlocks spaced(words, 64);
        QString joined;
        for (qsizetype i = 0; i < spaced.count(); ++i) {
            QVERIFY(spaced.block(i).size() <= 64);
            QVERIFY(spaced.block(i).endsWith(u' ') || i == spaced.count() - 1);
            joined += spaced.block(i);
        }
        QCOMPARE(joined, words);

        // No spaces: cut between user-perceived characters, never inside one.
        const QString accents = u"e\u0301"_s.repeated(100);
        const TextBlocks dense(accents, 33);
        for (qsizetype i = 0; i < dense.count(); ++i) {
            QVERIFY(dense.block(i).startsWith(u'e'));
            QVERIFY(dense.block(i).endsWith(u'\u0301'));
        }
    }

    void heightSums_matchPlainSums()
    {
        std::mt19937 random(7);
        std::vector<int> heights(1000);
        for (int &height : heights)
            height = int(random() % 50) + 1;
        HeightSums sums;
        sums.assign(heights);
        for (int change = 0; change < 200; ++change) {
            const auto index = std::size_t(random() % heights.size());
            heights[index] = int(random() % 80) + 1;
            sums.setHeight(qsizetype(index), heights[index]);
        }
        qint64 top = 0;
        for (std::size_t i = 0; i < heights.size(); ++i) {
            QCOMPARE(sums.top(qsizetype(i)), top);
            QCOMPARE(sums.indexAt(top), qsizetype(i));
            QCOMPARE(sums.indexAt(top + heights[i] - 1), qsizetype(i));
            top += heights[i];
        }
        QCOMPARE(sums.total(), top);
        QCOMPARE(sums.indexAt(top + 100), qsizetype(heights.size() - 1));
    }
};

QTEST_GUILESS_MAIN(ListGeometryTest)
#include "tst_listgeometry.moc"
