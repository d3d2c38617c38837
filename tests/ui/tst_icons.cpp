#include "Icons.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QtTest>

class TestIcons final : public QObject
{
    Q_OBJECT

private slots:
    void everyIcon_rendersInTheRequestedColourOnly_data();
    void everyIcon_rendersInTheRequestedColourOnly();
    void iconsOfDifferentNames_differ();
    void highDensityRequest_getsSharperPixmap();
    void sameNameOtherColour_isRetinted();
};

namespace {

constexpr std::array allIcons{
    IconName::Globe,      IconName::CodeBrackets, IconName::Document,  IconName::DocumentFilled,
    IconName::LockClosed, IconName::LockOpen,     IconName::Dock,      IconName::RectangleSlash,
    IconName::Copy,       IconName::Trash,        IconName::Checkmark, IconName::Pin,
    IconName::PinFilled};

struct Coverage
{
    int opaquePixels = 0;
    int foreignColourPixels = 0;
};

Coverage coverage(const QImage &image, const QColor &expected)
{
    Coverage result;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QColor pixel = argb.pixelColor(x, y);
            if (pixel.alpha() < 128)
                continue;
            ++result.opaquePixels;
            if (qAbs(pixel.red() - expected.red()) > 2 ||
                qAbs(pixel.green() - expected.green()) > 2 ||
                qAbs(pixel.blue() - expected.blue()) > 2)
                ++result.foreignColourPixels;
        }
    }
    return result;
}

} // namespace

void TestIcons::everyIcon_rendersInTheRequestedColourOnly_data()
{
    QTest::addColumn<int>("name");
    for (const IconName name : allIcons)
        QTest::addRow("icon %d", static_cast<int>(name)) << static_cast<int>(name);
}

void TestIcons::everyIcon_rendersInTheRequestedColourOnly()
{
    QFETCH(int, name);
    const QColor tint(200, 30, 40);
    const QIcon icon = themedIcon(static_cast<IconName>(name), tint);
    QVERIFY(!icon.isNull());
    const QImage image = icon.pixmap(QSize(24, 24), 1.0).toImage();
    QCOMPARE(image.size(), QSize(24, 24));
    const Coverage c = coverage(image, tint);
    // A drawing, not an empty square nor a filled one.
    QVERIFY2(c.opaquePixels > 24, qPrintable(QString::number(c.opaquePixels)));
    QVERIFY2(c.opaquePixels < 24 * 24 * 3 / 4, qPrintable(QString::number(c.opaquePixels)));
    QCOMPARE(c.foreignColourPixels, 0);
}

void TestIcons::iconsOfDifferentNames_differ()
{
    QSet<QByteArray> seen;
    for (const IconName name : allIcons) {
        const QImage image = themedIcon(name, Qt::black).pixmap(QSize(32, 32), 1.0).toImage();
        const QByteArray bits(reinterpret_cast<const char *>(image.constBits()),
                              image.sizeInBytes());
        QVERIFY2(!seen.contains(bits), "two icons are drawn alike");
        seen.insert(bits);
    }
}

void TestIcons::highDensityRequest_getsSharperPixmap()
{
    const QPixmap pixmap = themedIcon(IconName::Globe, Qt::black).pixmap(QSize(16, 16), 2.0);
    QCOMPARE(pixmap.size(), QSize(32, 32));
    QCOMPARE(pixmap.devicePixelRatio(), 2.0);
    QVERIFY(coverage(pixmap.toImage(), Qt::black).opaquePixels > 0);
}

void TestIcons::sameNameOtherColour_isRetinted()
{
    const QColor green(20, 180, 60);
    const QImage red = themedIcon(IconName::Dock, Qt::red).pixmap(QSize(24, 24), 1.0).toImage();
    const QImage tinted = themedIcon(IconName::Dock, green).pixmap(QSize(24, 24), 1.0).toImage();
    QCOMPARE(coverage(tinted, green).foreignColourPixels, 0);
    QCOMPARE(coverage(red, Qt::red).foreignColourPixels, 0);
    QCOMPARE(coverage(tinted, green).opaquePixels, coverage(red, Qt::red).opaquePixels);
}

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
