// The panel on a screen made short by a high scale factor (the test runs with
// QT_SCALE_FACTOR=3 on Xvfb: a 1280x1024 screen is 427x341 device-independent
// pixels): opened as a window or as the popup, it stays on the screen, "Quit"
// included. Skipped without an X server.
#include "AppShell.h"
#include "CategoryView.h"
#include "ContentView.h"
#include "PanelTestHelpers.h"
#include "PanelWindow.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace PanelTest;

namespace {

QByteArray describe(const QRect &rect)
{
    return QByteArray::number(rect.x()) + ',' + QByteArray::number(rect.y()) + ' ' +
           QByteArray::number(rect.width()) + 'x' + QByteArray::number(rect.height());
}

} // namespace

class PanelScaleTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server: DISPLAY is not set");
        m_available = QGuiApplication::primaryScreen()->availableGeometry();
        // Only a screen shorter than the panel's usual height shows anything.
        if (m_available.height() >= ContentView::viewHeight + 60)
            QSKIP("the screen is tall enough for the panel; run with QT_SCALE_FACTOR=3");
    }

    void window_andPopup_stayOnShortScreen_quitIncluded()
    {
        FakeServices fakes;
        AppShell app(fakes.services(), {.showPanel = true, .trayAvailable = false});
        launchAndWait(app);
        PanelWindow &panel = app.panel();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QVERIFY(!panel.isPopup());
        checkOnScreen(panel);

        // The same panel as the popup, opened again.
        panel.hide();
        panel.setPopup(true);
        app.openPanel();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        checkOnScreen(panel);
        QVERIFY(panel.contentView().categoryView()->height() < ContentView::listHeight);
        // The list gave up just what the popup was too tall.
        QCOMPARE(panel.frameGeometry().height(), m_available.height());
    }

private:
    void checkOnScreen(PanelWindow &panel)
    {
        QTRY_VERIFY2(m_available.contains(panel.frameGeometry()),
                     describe(panel.frameGeometry()) + " on " + describe(m_available));
        auto *quit = child<QPushButton>(panel, "quitButton");
        QVERIFY(quit->isVisible());
        const QRect quitOnScreen(quit->mapToGlobal(QPoint(0, 0)), quit->size());
        QVERIFY2(m_available.contains(quitOnScreen),
                 describe(quitOnScreen) + " on " + describe(m_available));
    }

    QRect m_available;
};

QTEST_MAIN(PanelScaleTest)
#include "tst_panelscale.moc"
