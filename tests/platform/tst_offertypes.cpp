#include "OfferTypes.h"

#include <QTest>

// How an offer's MIME types are sorted out before anything is read: no compositor.
class OfferTypesTest final : public QObject
{
    Q_OBJECT

private slots:
    void preferredTextType_data()
    {
        QTest::addColumn<QList<QByteArray>>("types");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("utf-8 over plain")
            << QList<QByteArray>{"text/plain", "text/plain;charset=utf-8"}
            << QByteArray("text/plain;charset=utf-8");
        QTest::newRow("plain over X11's")
            << QList<QByteArray>{"UTF8_STRING", "text/plain"} << QByteArray("text/plain");
        QTest::newRow("X11's alone")
            << QList<QByteArray>{"TARGETS", "UTF8_STRING"} << QByteArray("UTF8_STRING");
        QTest::newRow("case and spaces, as offered")
            << QList<QByteArray>{"image/png", "text/plain; charset=UTF-8"}
            << QByteArray("text/plain; charset=UTF-8");
        QTest::newRow("html and plain")
            << QList<QByteArray>{"text/html", "text/plain"} << QByteArray("text/plain");
        QTest::newRow("another charset is not utf-8")
            << QList<QByteArray>{"text/plain;charset=iso-8859-1", "text/plain"}
            << QByteArray("text/plain");
        QTest::newRow("no text") << QList<QByteArray>{"image/png", "text/html", "text/uri-list"}
                                 << QByteArray();
        QTest::newRow("nothing") << QList<QByteArray>{} << QByteArray();
    }

    void preferredTextType()
    {
        QFETCH(QList<QByteArray>, types);
        QFETCH(QByteArray, expected);
        const std::optional<QByteArray> chosen = OfferTypes::preferredTextType(types);
        if (expected.isEmpty())
            QCOMPARE(chosen, std::nullopt);
        else
            QCOMPARE(chosen, std::optional(expected));
    }

    void passwordManagerHint_foundByExactType()
    {
        QVERIFY(OfferTypes::hasPasswordManagerHint({"text/plain", "x-kde-passwordManagerHint"}));
        QVERIFY(!OfferTypes::hasPasswordManagerHint({"text/plain", "x-kde-other"}));
        QVERIFY(OfferTypes::hintSaysSecret("secret"));
        QVERIFY(OfferTypes::hintSaysSecret("secret\n"));
        QVERIFY(!OfferTypes::hintSaysSecret("public"));
        QVERIFY(!OfferTypes::hintSaysSecret(""));
        QVERIFY(!OfferTypes::hintSaysSecret("secrets"));
    }

    void ownCopy_offersTextTypesAndIsKnownByItsMarker()
    {
        const QList<QByteArray> ours = OfferTypes::typesForOwnCopy();
        QVERIFY(OfferTypes::isOwnCopy(ours));
        QCOMPARE(OfferTypes::preferredTextType(ours),
                 std::optional(QByteArray("text/plain;charset=utf-8")));
        QVERIFY(ours.contains("text/plain"));
        QVERIFY(!OfferTypes::isOwnCopy({"text/plain;charset=utf-8", "text/plain"}));
    }
};

QTEST_GUILESS_MAIN(OfferTypesTest)
#include "tst_offertypes.moc"
