#include "ClearConfirmation.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "FailingHistoryStore.h"
#include "FakeSaveDialog.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "MemoryPreferences.h"
#include "SqliteHistoryStore.h"
#include "TemporaryStore.h"
#include "ToggleSwitch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGraphicsEffect>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestClearConfirmation final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Showing
    void clearHistoryButton_showsCardAtOnceOverWholeView();
    void clearHistoryWithEmptyLists_stillShowsCard();
    void card_is300WideWithItsTexts();

    // Nothing beneath reacts
    void clickOnDimmedLayer_changesNothingBeneath();
    void keyboardFocus_staysOnCardWhileShown();
    void dismissedCard_givesFocusBackToControlsBeneath();

    // Buttons
    void cancel_changesNothingAndFadesOut();
    void clear_emptiesAllListsAndClipboard();
    void clearWithEmptyHistory_stillClearsClipboard();
    void escape_actsAsCancel();
    void clear_keepsLastSeenText();
    void pinnedItems_keptAndTheCardSaysSo();

private:
    void fill();
    QPushButton *button(const char *name) const;
    // The history as the file holds it now.
    HistoryRecord storedHistory();

    std::unique_ptr<MemoryClipboard> m_clipboard;
    // The preferences in memory, to see that nothing was written to them; the
    // history in a real file, reached through a wrapper that counts the writes.
    std::unique_ptr<MemoryPreferences> m_preferences;
    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<ManualPollTimers> m_timers;
    std::unique_ptr<FakeSaveDialog> m_dialog;
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<ContentView> m_view;
};

void TestClearConfirmation::init()
{
    m_clipboard = std::make_unique<MemoryClipboard>();
    m_preferences = std::make_unique<MemoryPreferences>();
    m_store = std::make_unique<TemporaryStore>();
    QVERIFY(m_store->isValid());
    m_timers = std::make_unique<ManualPollTimers>();
    m_dialog = std::make_unique<FakeSaveDialog>();
    m_manager = std::make_unique<ClipboardManager>(*m_clipboard, *m_preferences,
                                                   m_store->failingHistory(), *m_timers);
    m_view = std::make_unique<ContentView>(*m_manager, *m_preferences, *m_dialog);
    m_view->show();
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
}

void TestClearConfirmation::cleanup()
{
    m_view.reset();
    m_manager.reset();
    m_dialog.reset();
    m_timers.reset();
    m_store.reset();
    m_preferences.reset();
    m_clipboard.reset();
}

void TestClearConfirmation::fill()
{
    // Each of these lands in the list named, as the checks below make sure.
    for (const char *text :
         {"https://example.org", "int main() { return 0; }", "older note", "a note"})
        m_manager->addItem(QString::fromUtf8(text));
    QCOMPARE(m_manager->urls().toStringList(), QStringList{QStringLiteral("https://example.org")});
    QCOMPARE(m_manager->codes().toStringList(),
             QStringList{QStringLiteral("int main() { return 0; }")});
    QCOMPARE(m_manager->texts().toStringList(),
             QStringList({QStringLiteral("a note"), QStringLiteral("older note")}));
    m_clipboard->setText(QStringLiteral("a note"));
    QCoreApplication::processEvents();
    m_clipboard->resetCounts();
    m_preferences->resetCounts();
    m_store->failingHistory().resetCounts();
}

QPushButton *TestClearConfirmation::button(const char *name) const
{
    auto *found = m_view->findChild<QPushButton *>(QLatin1String(name));
    if (!found)
        qFatal("no button %s", name);
    return found;
}

HistoryRecord TestClearConfirmation::storedHistory()
{
    return m_store->history().load();
}

void TestClearConfirmation::clearHistoryButton_showsCardAtOnceOverWholeView()
{
    auto *layer = m_view->findChild<ClearConfirmation *>();
    QVERIFY(layer);
    QVERIFY(!layer->isVisible());
    QVERIFY(!m_view->isClearConfirmationShown());

    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    // No event processing in between: nothing is animated in.
    QVERIFY(m_view->isClearConfirmationShown());
    QVERIFY(layer->isVisible());
    QCOMPARE(layer->geometry(), m_view->rect());
    QVERIFY(layer->graphicsEffect() == nullptr || !layer->graphicsEffect()->isEnabled());
}

void TestClearConfirmation::clearHistoryWithEmptyLists_stillShowsCard()
{
    QVERIFY(m_manager->urls().isEmpty());
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QVERIFY(m_view->isClearConfirmationShown());
}

void TestClearConfirmation::card_is300WideWithItsTexts()
{
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    auto *card = m_view->findChild<QWidget *>(QStringLiteral("clearConfirmationCard"));
    QVERIFY(card);
    QCOMPARE(card->width(), 300);
    QVERIFY(m_view->rect().contains(card->geometry()));
    QCOMPARE(card->geometry().center().x(), m_view->rect().center().x());

    QStringList texts;
    for (const QLabel *label : card->findChildren<QLabel *>())
        texts.append(label->text());
    QVERIFY(texts.contains(QStringLiteral("Clear History")));
    QVERIFY(texts.contains(QStringLiteral("Are you sure you want to clear all clipboard history? "
                                          "This action cannot be undone.")));
    QCOMPARE(button("confirmCancelButton")->text(), QStringLiteral("Cancel"));
    QCOMPARE(button("confirmClearButton")->text(), QStringLiteral("Clear"));
}

void TestClearConfirmation::clickOnDimmedLayer_changesNothingBeneath()
{
    fill();
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    auto *code = m_view->findChild<QAbstractButton *>(QStringLiteral("segmentCode"));
    auto *privacy = m_view->findChild<ToggleSwitch *>(QStringLiteral("privacySwitch"));
    for (QWidget *beneath : {static_cast<QWidget *>(code), static_cast<QWidget *>(privacy)}) {
        const QPoint where = beneath->mapTo(m_view.get(), beneath->rect().center());
        QWidget *hit = m_view->childAt(where);
        QVERIFY(hit);
        QVERIFY2(hit == m_view->findChild<ClearConfirmation *>(), qPrintable(hit->objectName()));
        QTest::mouseClick(m_view->windowHandle(), Qt::LeftButton, {}, where);
    }
    QCOMPARE(m_view->selectedCategory(), Category::Url);
    QVERIFY(!privacy->isChecked());
    QVERIFY(m_view->isClearConfirmationShown());
    QCOMPARE(m_preferences->writeCount(), 0);
    QCOMPARE(m_manager->texts().size(), 2);
}

void TestClearConfirmation::keyboardFocus_staysOnCardWhileShown()
{
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), button("confirmCancelButton"));
    const QList<QWidget *> card{button("confirmCancelButton"), button("confirmClearButton")};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(card.contains(QApplication::focusWidget()),
                 qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                        : QStringLiteral("nothing")));
    }
}

void TestClearConfirmation::dismissedCard_givesFocusBackToControlsBeneath()
{
    auto *privacy = m_view->findChild<ToggleSwitch *>(QStringLiteral("privacySwitch"));
    const Qt::FocusPolicy before = privacy->focusPolicy();
    QVERIFY(before != Qt::NoFocus);
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QCOMPARE(privacy->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(button("confirmCancelButton"), Qt::LeftButton);
    QCOMPARE(privacy->focusPolicy(), before);
    // Back where it was before the card showed.
    QCOMPARE(QApplication::focusWidget(), button("clearHistoryButton"));
}

void TestClearConfirmation::cancel_changesNothingAndFadesOut()
{
    fill();
    const QStringList urls = m_manager->urls().toStringList();
    const QStringList codes = m_manager->codes().toStringList();
    const QStringList texts = m_manager->texts().toStringList();
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QTest::mouseClick(button("confirmCancelButton"), Qt::LeftButton);

    QVERIFY(!m_view->isClearConfirmationShown());
    auto *layer = m_view->findChild<ClearConfirmation *>();
    // Hiding fades: the layer is still there for a moment, and no longer in the way.
    QVERIFY(layer->isVisible());
    QVERIFY(layer->testAttribute(Qt::WA_TransparentForMouseEvents));
    QTRY_VERIFY_WITH_TIMEOUT(!layer->isVisible(), 2000);

    QCOMPARE(m_manager->urls().toStringList(), urls);
    QCOMPARE(m_manager->codes().toStringList(), codes);
    QCOMPARE(m_manager->texts().toStringList(), texts);
    QCOMPARE(m_store->failingHistory().writeCount(), 0);
    QCOMPARE(m_clipboard->clearCount(), 0);
    QCOMPARE(m_clipboard->text(), std::optional<QString>(QStringLiteral("a note")));

    // The view beneath works again.
    QTest::mouseClick(m_view->findChild<QAbstractButton *>(QStringLiteral("segmentCode")),
                      Qt::LeftButton);
    QCOMPARE(m_view->selectedCategory(), Category::Code);
}

void TestClearConfirmation::clear_emptiesAllListsAndClipboard()
{
    fill();
    QCOMPARE(storedHistory().lists.value(QStringLiteral("texts")).texts(),
             m_manager->texts().toStringList());
    QCOMPARE(m_view->selectedCategory(), Category::Url);
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QTest::mouseClick(button("confirmClearButton"), Qt::LeftButton);

    QVERIFY(!m_view->isClearConfirmationShown());
    QVERIFY(m_manager->urls().isEmpty());
    QVERIFY(m_manager->codes().isEmpty());
    QVERIFY(m_manager->texts().isEmpty());
    const HistoryRecord stored = storedHistory();
    QVERIFY2(stored.state == HistoryRecord::State::Loaded ||
                 stored.state == HistoryRecord::State::Absent,
             qPrintable(stored.error));
    for (const QString &key :
         {QStringLiteral("urls"), QStringLiteral("codes"), QStringLiteral("texts")})
        QVERIFY2(stored.lists.value(key).texts().isEmpty(), qPrintable(key));
    QCOMPARE(m_clipboard->text(), std::nullopt);
    QCOMPARE(m_clipboard->clearCount(), 1);
    auto *layer = m_view->findChild<ClearConfirmation *>();
    QTRY_VERIFY_WITH_TIMEOUT(!layer->isVisible(), 2000);
}

void TestClearConfirmation::clearWithEmptyHistory_stillClearsClipboard()
{
    m_clipboard->setText(QStringLiteral("something never captured"));
    m_clipboard->resetCounts();
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QTest::mouseClick(button("confirmClearButton"), Qt::LeftButton);
    QCOMPARE(m_clipboard->clearCount(), 1);
    QCOMPARE(m_clipboard->text(), std::nullopt);
}

void TestClearConfirmation::escape_actsAsCancel()
{
    fill();
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!m_view->isClearConfirmationShown());
    QCOMPARE(m_manager->texts().size(), 2);
    QCOMPARE(m_clipboard->clearCount(), 0);
    QCOMPARE(m_store->failingHistory().writeCount(), 0);

    // Escape with the card hidden does nothing to the history.
    QTest::keyClick(m_view.get(), Qt::Key_Escape);
    QCOMPARE(m_manager->texts().size(), 2);
}

void TestClearConfirmation::clear_keepsLastSeenText()
{
    m_clipboard->setText(QStringLiteral("captured last"));
    m_timers->tickAll();
    QTRY_COMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("captured last")});
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QTest::mouseClick(button("confirmClearButton"), Qt::LeftButton);
    QVERIFY(m_manager->texts().isEmpty());

    // The text seen last is still known as seen: offered again, it is not recorded
    // anew into the emptied history.
    m_clipboard->setText(QStringLiteral("captured last"));
    m_timers->tickAll();
    QCoreApplication::processEvents();
    QVERIFY(m_manager->texts().isEmpty());
    // Another text is.
    m_clipboard->setText(QStringLiteral("copied after clearing"));
    m_timers->tickAll();
    QTRY_COMPARE(m_manager->texts().toStringList(),
                 QStringList{QStringLiteral("copied after clearing")});
}

void TestClearConfirmation::pinnedItems_keptAndTheCardSaysSo()
{
    fill();
    auto *note = m_view->findChild<QLabel *>(QStringLiteral("clearConfirmationNote"));
    QVERIFY(note);
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QVERIFY(!note->isVisible());
    QTest::mouseClick(button("confirmCancelButton"), Qt::LeftButton);

    m_manager->setPinned(Category::Text, QStringLiteral("older note"), true);
    QTest::mouseClick(button("clearHistoryButton"), Qt::LeftButton);
    QVERIFY(note->isVisible());
    QCOMPARE(note->text(), QStringLiteral("Pinned items are kept."));
    QTest::mouseClick(button("confirmClearButton"), Qt::LeftButton);
    QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("older note")});
    QVERIFY(m_manager->urls().isEmpty());
    QCOMPARE(storedHistory().lists.value(QStringLiteral("texts")).texts(),
             QStringList{QStringLiteral("older note")});
}

QTEST_MAIN(TestClearConfirmation)
#include "tst_clearconfirmation.moc"
