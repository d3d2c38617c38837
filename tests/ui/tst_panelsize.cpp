// The panel's size: the popup fits a short screen with the list giving up height
// first, and the ordinary window can be resized and opens at the size it had.
#include "CategoryView.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "PanelWindow.h"
#include "SqlitePreferences.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class PanelSizeTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
        build();
    }
    void cleanup()
    {
        m_panel.reset();
        m_manager.reset();
        m_store.reset();
    }

    void popup_onTallScreen_hasUsualSize();
    void popup_onShortScreen_listGivesUpHeightAndQuitStaysInside();
    void popup_onVeryShortScreen_listKeepsItsMinimum();
    void popup_cannotBeResized();
    void window_resized_listTakesExtraSize();
    void window_onShortScreen_isMadeNoLarger();
    void window_sizeRemembered_acrossRestart();
    void window_neverResized_opensAtPopupSize_andStoresNothing();

private:
    void build()
    {
        m_manager = std::make_unique<ClipboardManager>(m_clipboard, m_store->preferences(),
                                                       m_store->history(), m_timers);
        m_panel = std::make_unique<PanelWindow>(*m_manager, m_store->preferences());
    }
    QWidget *list() const { return m_panel->contentView().categoryView(); }
    QPushButton *quitButton() const { return m_panel->findChild<QPushButton *>(u"quitButton"_s); }
    // The popup's height with the list at its usual height.
    int usualPopupHeight()
    {
        m_panel->setPopup(true);
        m_panel->fitInto(QRect(0, 0, 4000, 4000));
        return m_panel->height();
    }
    std::optional<qint64> storedNumber(Preference preference) const
    {
        // What this session set is written first, as at its end.
        m_store->settle();
        SqliteStores nextStart(m_store->path());
        if (!nextStart.preferences.number(preference))
            return std::nullopt;
        return nextStart.preferences.number(preference);
    }

    MemoryClipboard m_clipboard;
    ManualPollTimers m_timers;
    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<PanelWindow> m_panel;
};

void PanelSizeTest::popup_onTallScreen_hasUsualSize()
{
    const int height = usualPopupHeight();
    QCOMPARE(list()->height(), ContentView::listHeight);
    QCOMPARE(m_panel->contentView().size(), QSize(ContentView::viewWidth, ContentView::viewHeight));
    // The content, the two rows below it and the hairline border.
    QVERIFY2(height > ContentView::viewHeight + 2, qPrintable(QString::number(height)));
}

void PanelSizeTest::popup_onShortScreen_listGivesUpHeightAndQuitStaysInside()
{
    const int usual = usualPopupHeight();
    const QRect shortScreen(0, 0, 1280, usual - 120);
    m_panel->fitInto(shortScreen);
    QCOMPARE(m_panel->height(), usual - 120);
    QCOMPARE(list()->height(), ContentView::listHeight - 120);
    // Only the list gave up height: the rest of the content is as tall as ever.
    QCOMPARE(m_panel->contentView().height(), ContentView::viewHeight - 120);

    m_panel->move(0, 0);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    QPushButton *quit = quitButton();
    QVERIFY(quit->isVisible());
    const QRect quitOnScreen(quit->mapToGlobal(QPoint(0, 0)), quit->size());
    QVERIFY2(shortScreen.contains(quitOnScreen), qPrintable(u"%1,%2 %3x%4"_s.arg(quitOnScreen.x())
                                                                .arg(quitOnScreen.y())
                                                                .arg(quitOnScreen.width())
                                                                .arg(quitOnScreen.height())));

    // On a tall screen again, the list has its height back.
    m_panel->hide();
    m_panel->fitInto(QRect(0, 0, 1280, 1024));
    QCOMPARE(m_panel->height(), usual);
    QCOMPARE(list()->height(), ContentView::listHeight);
}

void PanelSizeTest::popup_onVeryShortScreen_listKeepsItsMinimum()
{
    const int usual = usualPopupHeight();
    m_panel->fitInto(QRect(0, 0, 1280, 100));
    QCOMPARE(list()->height(), ContentView::minimumListHeight);
    QCOMPARE(m_panel->height(), usual - (ContentView::listHeight - ContentView::minimumListHeight));
}

void PanelSizeTest::popup_cannotBeResized()
{
    const int usual = usualPopupHeight();
    QCOMPARE(m_panel->minimumSize(), m_panel->maximumSize());
    m_panel->resize(m_panel->width() + 100, usual + 100);
    QCOMPARE(m_panel->height(), usual);
    QCOMPARE(list()->height(), ContentView::listHeight);
}

void PanelSizeTest::window_resized_listTakesExtraSize()
{
    m_panel->setPopup(false);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    const QSize before = m_panel->size();
    const QSize listBefore = list()->size();
    const QRect quitBefore = quitButton()->geometry();
    m_panel->resize(before + QSize(200, 150));
    QTRY_COMPARE(m_panel->size(), before + QSize(200, 150));
    QCOMPARE(list()->size(), listBefore + QSize(200, 150));
    // The rows below keep their height, moved down by what the list took.
    QCOMPARE(quitButton()->height(), quitBefore.height());
    QCOMPARE(quitButton()->y(), quitBefore.y() + 150);

    // Made smaller than the popup, the list gives up height, down to its minimum.
    m_panel->resize(QSize(1, 1));
    QTRY_COMPARE(list()->height(), ContentView::minimumListHeight);
    QCOMPARE(m_panel->width(), ContentView::viewWidth);

    // Back as a popup it has the popup's size, whatever the window's was.
    m_panel->resize(before + QSize(200, 150));
    m_panel->setPopup(true);
    QCOMPARE(list()->height(), ContentView::listHeight);
    QCOMPARE(m_panel->contentView().size(), QSize(ContentView::viewWidth, ContentView::viewHeight));
}

void PanelSizeTest::window_onShortScreen_isMadeNoLarger()
{
    m_panel->setPopup(false);
    m_panel->resize(800, 900);
    m_panel->fitInto(QRect(0, 0, 640, 480));
    QCOMPARE(m_panel->size(), QSize(640, 480));
    QVERIFY(list()->height() >= ContentView::minimumListHeight);
}

void PanelSizeTest::window_sizeRemembered_acrossRestart()
{
    m_panel->setPopup(false);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    m_panel->resize(610, 720);
    QTRY_COMPARE(storedNumber(Preference::WindowWidth), std::optional<qint64>(610));
    QCOMPARE(storedNumber(Preference::WindowHeight), std::optional<qint64>(720));

    // The next start reads it from the file.
    m_panel.reset();
    m_manager.reset();
    m_store->restart();
    build();
    m_panel->setPopup(false);
    QCOMPARE(m_panel->size(), QSize(610, 720));
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    QCOMPARE(m_panel->size(), QSize(610, 720));

    // A size changed just before quitting is kept too.
    m_panel->resize(500, 640);
    QCoreApplication::processEvents();
    m_panel.reset();
    QCOMPARE(storedNumber(Preference::WindowWidth), std::optional<qint64>(500));
    QCOMPARE(storedNumber(Preference::WindowHeight), std::optional<qint64>(640));

    // The popup keeps its own size.
    m_panel = std::make_unique<PanelWindow>(*m_manager, m_store->preferences());
    m_panel->setPopup(true);
    QCOMPARE(m_panel->minimumSize(), m_panel->maximumSize());
    QVERIFY(m_panel->height() < 640);
    QCOMPARE(list()->height(), ContentView::listHeight);
    QCOMPARE(m_panel->contentView().size(), QSize(ContentView::viewWidth, ContentView::viewHeight));
}

void PanelSizeTest::window_neverResized_opensAtPopupSize_andStoresNothing()
{
    const int popupHeight = usualPopupHeight();
    m_panel->setPopup(false);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    // The list at its usual height; the window no taller than the popup.
    QCOMPARE(list()->height(), ContentView::listHeight);
    QVERIFY(m_panel->height() <= popupHeight);
    m_panel->hide();
    QCOMPARE(storedNumber(Preference::WindowWidth), std::nullopt);
    QCOMPARE(storedNumber(Preference::WindowHeight), std::nullopt);
}

QTEST_MAIN(PanelSizeTest)
#include "tst_panelsize.moc"
