#include "PanelPlacement.h"

#include <QtTest>

class TestPanelPlacement final : public QObject
{
    Q_OBJECT

private slots:
    void trayAtTop_opensBelowIconCentred();
    void trayAtBottom_opensAboveIcon();
    void iconInCorner_keepsPanelOnScreen();
    void trayOnLeftEdge_opensBesideIcon();
    void unknownIconPlace_opensAtPointer();
    void pointerNearBottomRight_keepsPanelOnScreen();
    void framedWindow_fitsWithItsFrame();
};

namespace {
const QSize panel(350, 520);
// A 1920x1080 screen with a 32 px bar at the top.
const QRect topBarScreen(0, 32, 1920, 1048);
} // namespace

void TestPanelPlacement::trayAtTop_opensBelowIconCentred()
{
    const QRect icon(1000, 4, 24, 24);
    const QPoint at = panelPosition(icon, {0, 0}, panel, topBarScreen);
    QCOMPARE(at.x(), icon.center().x() - panel.width() / 2);
    QVERIFY(at.y() >= icon.bottom());
    QVERIFY(at.y() < icon.bottom() + 12);
}

void TestPanelPlacement::trayAtBottom_opensAboveIcon()
{
    const QRect available(0, 0, 1920, 1040);
    const QRect icon(1000, 1048, 24, 24);
    const QPoint at = panelPosition(icon, {0, 0}, panel, available);
    QVERIFY(at.y() + panel.height() <= icon.top());
    QVERIFY(at.y() + panel.height() > icon.top() - 12);
}

void TestPanelPlacement::iconInCorner_keepsPanelOnScreen()
{
    const QRect icon(1900, 4, 20, 24);
    const QPoint at = panelPosition(icon, {0, 0}, panel, topBarScreen);
    QCOMPARE(at.x() + panel.width(), topBarScreen.right() + 1);
    QVERIFY(at.y() >= topBarScreen.top());
}

void TestPanelPlacement::trayOnLeftEdge_opensBesideIcon()
{
    const QRect available(48, 0, 1872, 1080);
    const QRect icon(12, 500, 24, 24);
    const QPoint at = panelPosition(icon, {0, 0}, panel, available);
    QVERIFY(at.x() >= icon.right());
    QVERIFY(at.x() < icon.right() + 60);
    QVERIFY(QRect(at, panel).contains(QPoint(at.x() + 1, icon.center().y())));
}

void TestPanelPlacement::unknownIconPlace_opensAtPointer()
{
    const QPoint pointer(600, 400);
    const QPoint at = panelPosition(QRect(), pointer, panel, topBarScreen);
    QVERIFY(QRect(at, panel).adjusted(-10, -10, 10, 10).contains(pointer));
    QCOMPARE(at.x(), pointer.x() - panel.width() / 2);
}

void TestPanelPlacement::pointerNearBottomRight_keepsPanelOnScreen()
{
    const QPoint pointer(1910, 1070);
    const QPoint at = panelPosition(QRect(), pointer, panel, topBarScreen);
    QVERIFY(topBarScreen.contains(QRect(at, panel)));
}

void TestPanelPlacement::framedWindow_fitsWithItsFrame()
{
    // GNOME at 2x on a 1920x1080 screen, in device-independent pixels: a 32 px bar
    // at the top and a 37 px title bar over a window as tall as the area.
    const QRect available(0, 32, 960, 508);
    const QMargins titleBar(0, 37, 0, 0);
    const QSize minimum(350, 268);
    const QRect framed = windowWithin({300, 69, 350, 508}, titleBar, minimum, available);
    QVERIFY(available.contains(framed.marginsAdded(titleBar)));
    QCOMPARE(framed, QRect(300, 69, 350, 471));
    // A window that fits stays as it is; one placed too low only moves up.
    const QRect fits(300, 200, 350, 300);
    QCOMPARE(windowWithin(fits, titleBar, minimum, available), fits);
    const QRect low = windowWithin(fits.translated(0, 400), titleBar, minimum, available);
    QCOMPARE(low, QRect(300, available.bottom() + 1 - 300, 350, 300));
}

QTEST_MAIN(TestPanelPlacement)
#include "tst_panelplacement.moc"
