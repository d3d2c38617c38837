#include "ClipboardTextPolicy.h"
#include "OfferTypes.h"

#include <QTest>

// How our own copies are offered and known again: no compositor. Which offered
// types are read as text is tst_clipboardtextpolicy's.
class OfferTypesTest final : public QObject
{
    Q_OBJECT

private slots:
    void ownCopy_offersTextTypesAndIsKnownByItsMarker()
    {
        const QList<QByteArray> ours = OfferTypes::typesForOwnCopy();
        QVERIFY(OfferTypes::isOwnCopy(ours));
        const QList<ClipboardTextPolicy::TextType> text = ClipboardTextPolicy::textTypes(ours);
        QVERIFY(!text.isEmpty());
        QCOMPARE(text.first().name, QByteArray("UTF8_STRING"));
        QVERIFY(ours.contains("text/plain"));
        QVERIFY(!OfferTypes::isOwnCopy({"text/plain;charset=utf-8", "text/plain"}));
    }
};

QTEST_GUILESS_MAIN(OfferTypesTest)
#include "tst_offertypes.moc"
