#include "MemoryPreferences.h"
#include "StatusIcon.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QStringListModel>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>

// The tray icon is measured, not looked at: rendered over panels of several
// shades, its edge must stand out from each by the contrast WCAG asks of
// graphical objects (3:1), and its glyph must stand out from its tile.
class TestStatusIcon final : public QObject
{
    Q_OBJECT

private slots:
    void icon_standsOutFromDarkAndLightPanels_data();
    void icon_standsOutFromDarkAndLightPanels();
    void glyph_standsOutFromItsTile_data();
    void glyph_standsOutFromItsTile();
    void icon_isSharpAtGridSizes_data();
    void icon_isSharpAtGridSizes();
    void privacyVariant_differsAtAGlance();
    void trayAndWindowIcon_followPrivacyMode();
    void trayToolTip_countsItems_andSaysPrivacyMode();
    void installedThemeIcon_isOfferedByName();
};

namespace {

double channel(int value)
{
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(QRgb rgb)
{
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) +
           0.0722 * channel(qBlue(rgb));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// In device pixels: composed at its logical size, a 2x image would be halved.
QImage rendered(bool privacyMode, int size, qreal dpr)
{
    QImage image = AppIcon::builtIn(privacyMode)
                       .pixmap(QSize(size, size), dpr)
                       .toImage()
                       .convertToFormat(QImage::Format_ARGB32);
    image.setDevicePixelRatio(1.0);
    return image;
}

QImage over(const QImage &icon, const QColor &background)
{
    QImage composed(icon.size(), QImage::Format_ARGB32);
    composed.fill(background);
    QPainter painter(&composed);
    painter.drawImage(0, 0, icon);
    painter.end();
    return composed;
}

// The icon's edge pixels (opaque ones next to a transparent one), and how many
// of them have, within `depth` pixels inside the icon, a pixel that contrasts
// with the panel by at least 3:1: there the outline is seen. On a light panel
// that is the tile just inside the light rim, on a dark one the rim itself.
struct EdgeVisibility
{
    int edgePixels = 0;
    int visible = 0;
};

EdgeVisibility edgeVisibility(const QImage &icon, const QColor &background, int depth)
{
    const QImage composed = over(icon, background);
    const QRgb panel = background.rgb();
    auto inside = [&icon](int x, int y) {
        return x >= 0 && y >= 0 && x < icon.width() && y < icon.height() &&
               qAlpha(icon.pixel(x, y)) >= 128;
    };
    EdgeVisibility result;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            if (!inside(x, y) ||
                (inside(x - 1, y) && inside(x + 1, y) && inside(x, y - 1) && inside(x, y + 1)))
                continue;
            ++result.edgePixels;
            bool seen = false;
            for (int dy = -depth; dy <= depth && !seen; ++dy) {
                for (int dx = -depth; dx <= depth && !seen; ++dx) {
                    seen = inside(x + dx, y + dy) &&
                           contrast(composed.pixel(x + dx, y + dy), panel) >= 3.0;
                }
            }
            result.visible += seen ? 1 : 0;
        }
    }
    return result;
}

const std::array panels{
    std::pair{"black", QColor(0, 0, 0)},
    std::pair{"dark", QColor(0x2b, 0x2b, 0x2b)},
    std::pair{"mid grey", QColor(0x80, 0x80, 0x80)},
    std::pair{"light", QColor(0xe8, 0xe8, 0xe8)},
    std::pair{"white", QColor(255, 255, 255)},
    std::pair{"blue", QColor(0x1f, 0x5f, 0xc8)},
};

} // namespace

void TestStatusIcon::icon_standsOutFromDarkAndLightPanels_data()
{
    QTest::addColumn<bool>("privacyMode");
    QTest::addColumn<int>("size");
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QColor>("panel");
    for (const bool privacy : {false, true}) {
        for (const int size : {16, 22, 24, 32, 48}) {
            for (const qreal dpr : {1.0, 2.0}) {
                for (const auto &[name, colour] : panels) {
                    QTest::addRow("%s %dpx @%gx on %s", privacy ? "private" : "recording", size,
                                  dpr, name)
                        << privacy << size << dpr << colour;
                }
            }
        }
    }
}

void TestStatusIcon::icon_standsOutFromDarkAndLightPanels()
{
    QFETCH(bool, privacyMode);
    QFETCH(int, size);
    QFETCH(qreal, dpr);
    QFETCH(QColor, panel);
    const QImage icon = rendered(privacyMode, size, dpr);
    QCOMPARE(icon.width(), qRound(size * dpr));
    // The rim is one and a half sixteenths of the icon wide; the tile starts just
    // inside it, where a light panel shows the edge.
    const int depth = (icon.width() * 3 + 31) / 32 + 1;
    const EdgeVisibility edge = edgeVisibility(icon, panel, depth);
    // The outline runs round the whole icon, not round a dot.
    QVERIFY2(edge.edgePixels >= 2 * icon.width(), qPrintable(QString::number(edge.edgePixels)));
    QVERIFY2(edge.visible == edge.edgePixels,
             qPrintable(QStringLiteral("outline seen at %1 of %2 edge pixels")
                            .arg(edge.visible)
                            .arg(edge.edgePixels)));
}

void TestStatusIcon::glyph_standsOutFromItsTile_data()
{
    QTest::addColumn<bool>("privacyMode");
    QTest::addColumn<int>("size");
    for (const bool privacy : {false, true}) {
        for (const int size : {16, 24, 48})
            QTest::addRow("%s %dpx", privacy ? "private" : "recording", size) << privacy << size;
    }
}

void TestStatusIcon::glyph_standsOutFromItsTile()
{
    QFETCH(bool, privacyMode);
    QFETCH(int, size);
    const QImage icon = rendered(privacyMode, size, 1.0);
    // The tile's colour just inside the rim, and the lightest pixel of the glyph
    // in the middle of the icon.
    const QRgb tile = icon.pixel(size / 2, size * 3 / 16);
    QRgb lightest = tile;
    for (int y = size / 4; y < size * 3 / 4; ++y) {
        for (int x = size / 4; x < size * 3 / 4; ++x) {
            if (luminance(icon.pixel(x, y)) > luminance(lightest))
                lightest = icon.pixel(x, y);
        }
    }
    QVERIFY2(contrast(tile, lightest) >= 4.5,
             qPrintable(QString::number(contrast(tile, lightest))));
}

void TestStatusIcon::icon_isSharpAtGridSizes_data()
{
    QTest::addColumn<bool>("privacyMode");
    QTest::addColumn<int>("pixels");
    for (const bool privacy : {false, true}) {
        for (const int pixels : {16, 32, 48, 64, 96})
            QTest::addRow("%s %dpx", privacy ? "private" : "recording", pixels)
                << privacy << pixels;
    }
}

// Drawn on a 16-unit grid, the icon's straight edges fall on whole pixels at
// multiples of 16 px, as at 16, 32 and 48 px and their doubles: only the rounded
// corners and the lock's arch have pixels between opaque and transparent, or
// between two of the drawing's colours.
void TestStatusIcon::icon_isSharpAtGridSizes()
{
    QFETCH(bool, privacyMode);
    QFETCH(int, pixels);
    const QImage icon = rendered(privacyMode, pixels, 1.0);
    int blended = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const int alpha = qAlpha(icon.pixel(x, y));
            if (alpha > 12 && alpha < 243)
                ++blended;
        }
    }
    // At most the corner arcs: four quarter circles of radius 3/16 of the icon,
    // a few pixels each per pixel of radius.
    const int allowed = 4 * 2 * (pixels * 3 / 16);
    QVERIFY2(
        blended <= allowed,
        qPrintable(
            QStringLiteral("%1 half-transparent pixels, %2 allowed").arg(blended).arg(allowed)));
}

void TestStatusIcon::privacyVariant_differsAtAGlance()
{
    const QImage recording = rendered(false, 22, 1.0);
    const QImage privateMode = rendered(true, 22, 1.0);
    // The tile's colour alone tells them apart: blue against grey.
    const QColor recordingTile = recording.pixelColor(11, 4);
    const QColor privateTile = privateMode.pixelColor(11, 4);
    QVERIFY2(recordingTile.hsvSaturationF() > 0.5, qPrintable(recordingTile.name()));
    QVERIFY2(privateTile.hsvSaturationF() < 0.2, qPrintable(privateTile.name()));
    int differing = 0;
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 22; ++x)
            differing += recording.pixel(x, y) != privateMode.pixel(x, y) ? 1 : 0;
    }
    QVERIFY2(differing > 22 * 22 / 3, qPrintable(QString::number(differing)));
}

void TestStatusIcon::trayAndWindowIcon_followPrivacyMode()
{
    MemoryPreferences preferences;
    QSystemTrayIcon tray;
    QWidget window;
    StatusIcon status(preferences);
    status.showOn(&tray);
    status.showOn(&window);
    auto shown = [](const QIcon &icon) { return icon.pixmap(QSize(24, 24), 1.0).toImage(); };
    const QImage recording = shown(AppIcon::icon(false));
    const QImage privateMode = shown(AppIcon::icon(true));
    QVERIFY(recording != privateMode);

    QVERIFY(!status.showsPrivacyMode());
    QCOMPARE(shown(tray.icon()), recording);
    QCOMPARE(shown(window.windowIcon()), recording);

    preferences.setPrivacyMode(true);

    QVERIFY(preferences.flush().ok());
    QVERIFY(status.showsPrivacyMode());
    QCOMPARE(shown(tray.icon()), privateMode);
    QCOMPARE(shown(window.windowIcon()), privateMode);

    // Another preference leaves the icon as it is.
    preferences.setShowInDock(true);
    QVERIFY(preferences.flush().ok());
    QCOMPARE(shown(tray.icon()), privateMode);

    preferences.setPrivacyMode(false);

    QVERIFY(preferences.flush().ok());
    QVERIFY(!status.showsPrivacyMode());
    QCOMPARE(shown(tray.icon()), recording);
    QCOMPARE(shown(window.windowIcon()), recording);

    // Stored as on before this session started: the icon says so from the start.
    MemoryPreferences storedPrivate;
    storedPrivate.setPrivacyMode(true);
    QVERIFY(storedPrivate.flush().ok());
    StatusIcon fromStart(storedPrivate);
    QSystemTrayIcon secondTray;
    fromStart.showOn(&secondTray);
    QCOMPARE(shown(secondTray.icon()), privateMode);
}

void TestStatusIcon::trayToolTip_countsItems_andSaysPrivacyMode()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    MemoryPreferences preferences;
    QStringListModel urls;
    QStringListModel texts(QStringList{QStringLiteral("kept before")});
    QSystemTrayIcon tray;
    StatusIcon status(preferences);
    status.countItemsOf({&urls, &texts});
    status.showOn(&tray);
    QCOMPARE(tray.toolTip(), QStringLiteral("Brimvale — 1 item"));
    QVERIFY(urls.insertRows(0, 1));
    texts.setStringList(QStringList(1233, QStringLiteral("a text")));
    preferences.setPrivacyMode(true);
    QVERIFY(preferences.flush().ok());
    QCOMPARE(tray.toolTip(), QStringLiteral("Brimvale — 1,234 items · Privacy Mode on"));
    QVERIFY(texts.removeRows(0, 1233));
    QCOMPARE(tray.toolTip(), QStringLiteral("Brimvale — 1 item · Privacy Mode on"));
    QLocale::setDefault(QLocale::system());
}

// Installed, the icons are found in hicolor by name, so an SNI host is told the
// name and draws the icon itself at the size its panel wants.
void TestStatusIcon::installedThemeIcon_isOfferedByName()
{
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir theme(root.filePath(QStringLiteral("hicolor")));
    QVERIFY(theme.mkpath(QStringLiteral("scalable/apps")));
    QVERIFY(theme.mkpath(QStringLiteral("scalable/status")));
    QFile index(theme.filePath(QStringLiteral("index.theme")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=Hicolor\nDirectories=scalable/apps,scalable/status\n\n"
                "[scalable/apps]\nSize=16\nMinSize=8\nMaxSize=512\nType=Scalable\n\n"
                "[scalable/status]\nSize=16\nMinSize=8\nMaxSize=512\nType=Scalable\n");
    index.close();
    for (const bool privacy : {false, true}) {
        const QString name = AppIcon::themeName(privacy);
        const QString folder =
            privacy ? QStringLiteral("scalable/status/") : QStringLiteral("scalable/apps/");
        QVERIFY(QFile::copy(QStringLiteral(BRIMVALE_ICON_SOURCE_DIR "/") + name +
                                QStringLiteral(".svg"),
                            theme.filePath(folder + name + QStringLiteral(".svg"))));
    }

    // Before the theme is there: the built-in pixmaps, without a name.
    QIcon::setThemeSearchPaths({root.filePath(QStringLiteral("nowhere"))});
    QIcon::setThemeName(QStringLiteral("hicolor"));
    QVERIFY(AppIcon::icon(false).name().isEmpty());
    QVERIFY(!AppIcon::icon(false).pixmap(QSize(22, 22)).isNull());

    QIcon::setThemeSearchPaths({root.path()});
    for (const bool privacy : {false, true}) {
        const QIcon icon = AppIcon::icon(privacy);
        QCOMPARE(icon.name(), AppIcon::themeName(privacy));
        // The theme's drawing is the built-in one.
        QCOMPARE(icon.pixmap(QSize(32, 32), 1.0).toImage().convertToFormat(QImage::Format_ARGB32),
                 rendered(privacy, 32, 1.0));
    }
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
}

QTEST_MAIN(TestStatusIcon)
#include "tst_statusicon.moc"
