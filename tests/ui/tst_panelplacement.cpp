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

QTEST_MAIN(TestPanelPlacement)
#include "tst_panelplacement.moc"
