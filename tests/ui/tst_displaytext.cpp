#include "GuardedText.h"
#include "UnicodeText.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The shortened text a row shows, counted in user-perceived characters.
class DisplayTextTest final : public QObject
{
    Q_OBJECT

private slots:
    void shortItems_areShownWhole_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("empty") << QString();
        QTest::newRow("short") << u"hello"_s;
        QTest::newRow("exactly 100") << QString(100, u'a');
        QTest::newRow("100 clusters of two code points") << u"e\u0301"_s.repeated(100);
        QTest::newRow("100 emoji with modifiers") << u"\U0001F44D\U0001F3FD"_s.repeated(100);
        QTest::newRow("100 with CR LF among them") << (QString(98, u'a') + u"\r\nb"_s);
    }
    void shortItems_areShownWhole()
    {
        QFETCH(QString, item);
        QCOMPARE(displayText(item), item);
    }

    void longItems_showFirst100AndDots_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("expected");
        QTest::newRow("101") << QString(101, u'a') << (QString(100, u'a') + u"..."_s);
        QTest::newRow("101 accented")
            << u"e\u0301"_s.repeated(101) << (u"e\u0301"_s.repeated(100) + u"..."_s);
        QTest::newRow("emoji with modifier at the cut")
            << (QString(99, u'x') + u"\U0001F44D\U0001F3FDy"_s)
            << (QString(99, u'x') + u"\U0001F44D\U0001F3FD..."_s);
        QTest::newRow("flags") << u"\U0001F1E9\U0001F1EA"_s.repeated(150)
                               << (u"\U0001F1E9\U0001F1EA"_s.repeated(100) + u"..."_s);
        QTest::newRow("line breaks kept")
            << u"a\nb"_s.repeated(60) << (u"a\nb"_s.repeated(33) + u"a..."_s);
        QTest::newRow("long clusters")
            << u"o\u0301\u0302\u0303\u0304\u0305\u0306"_s.repeated(120)
            << (u"o\u0301\u0302\u0303\u0304\u0305\u0306"_s.repeated(100) + u"..."_s);
    }
    void longItems_showFirst100AndDots()
    {
        QFETCH(QString, item);
        QFETCH(QString, expected);
        QCOMPARE(displayText(item), expected);
    }

    void combiningMarkAfterCut_staysWithItsLetter()
    {
        // The 100th character is a letter whose accent follows it: it is kept whole.
        const QString item = QString(99, u'a') + u"e\u0301z"_s;
        QCOMPARE(displayText(item), QString(99, u'a') + u"e\u0301..."_s);
    }

    void hugeItem_looksOnlyAtItsStart()
    {
        // A 50 MB text of which only the first 64 kB can be read: touching anything
        // further would crash the test.
        const GuardedText guarded(50 * 1024 * 1024, 32 * 1024, u'w');
        QVERIFY(guarded.isValid());
        QCOMPARE(displayText(guarded.text()), QString(100, u'w') + u"..."_s);
    }

    void customLength_countsClusters()
    {
        QCOMPARE(displayText(u"e\u0301bc"_s, 2), u"e\u0301b..."_s);
        QCOMPARE(displayText(u"abc"_s, 3), u"abc"_s);
    }
};

QTEST_GUILESS_MAIN(DisplayTextTest)
#include "tst_displaytext.moc"
