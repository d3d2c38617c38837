#include "CategoryPicker.h"
#include "CategoryView.h"
#include "ClipListView.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "FakeSaveDialog.h"
#include "FilterRows.h"
#include "IconLabel.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "PanelStyle.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStores.h"
#include "StreamCapture.h"
#include "TemporaryStore.h"
#include "ToggleSwitch.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestContentView final : public QObject
{
    Q_OBJECT

private slots:
    // Category switch
    void freshView_showsUrlSegmentSelected();
    void choosingCodeSegment_selectsCodeWithTooltipCode();
    void segments_showIconsWithTooltipsOnly();
    void arrowKeyOnSegments_selectsNextCategory();
    void switchingCategory_replacesListView();
    void search_isKeptAcrossCategoriesWithMatchesOnSegments();
    void segments_arePageTabsThatSwitchTheList();
    void previouslySelectedCategory_isNotRemembered();

    // Privacy mode
    void privacySwitchOn_storesTrueAndShowsClosedLockInRed();
    void privacySwitchOff_storesFalseAndShowsOpenLockInTextColour();
    void privacyStoredTrue_showsSwitchOnFromFirstFrame();
    void privacyChangedInStore_isFollowedByView();
    void recordSelectionSwitch_storesTheChoiceOrSaysWhyNot();

    // Monitoring
    void showingAndHidingView_startsAndStopsOneExtraTimer();
    void repeatedShowEvents_startOnlyOneTimerPerAppearance();

    // Layout
    void view_isFixed350By450WithListArea300High();
    void longList_keepsListArea300High();

    // Export
    void exportItems_asksForSelectedCategoryFile();
    void exportItems_usesCategorySelectedAtClick();
    void failedExport_showsMessageThatHidesItself();
};

namespace {

// The clipboard in memory and the preferences and history in a real store file
// in a temporary directory.
struct Services
{
    MemoryClipboard clipboard;
    TemporaryStore store;
    ManualPollTimers timers;
    FakeSaveDialog dialog;

    SqlitePreferences &preferences() { return store.preferences(); }

    // Made on first use, so that a test can plant stored lists for it to load.
    ClipboardManager &manager()
    {
        if (!history)
            history = std::make_unique<ClipboardManager>(clipboard, store.preferences(),
                                                         store.history(), timers);
        return *history;
    }

    // Privacy mode as the program's next start would read it from the file, once
    // what this session switched is written, as at its end.
    bool storedPrivacyMode()
    {
        store.settle();
        SqliteStores nextStart(store.path());
        return nextStart.preferences.privacyMode();
    }

    // Last, so that it goes before what it runs on.
    std::unique_ptr<ClipboardManager> history;
};

template <typename T> T *child(const QWidget &parent, const char *name)
{
    auto *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child named %s", name);
    return found;
}

QAbstractButton *segment(const ContentView &view, const char *category)
{
    return child<QAbstractButton>(view, (QByteArray("segment") + category).constData());
}

} // namespace

void TestContentView::freshView_showsUrlSegmentSelected()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    QCOMPARE(view.selectedCategory(), Category::Url);
    QVERIFY(segment(view, "URL")->isChecked());
    QVERIFY(!segment(view, "Code")->isChecked());
    QVERIFY(!segment(view, "Text")->isChecked());
    QVERIFY(view.categoryView() != nullptr);
}

void TestContentView::choosingCodeSegment_selectsCodeWithTooltipCode()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    QAbstractButton *code = segment(view, "Code");
    QTest::mouseClick(code, Qt::LeftButton);
    QCOMPARE(view.selectedCategory(), Category::Code);
    QVERIFY(code->isChecked());
    QVERIFY(!segment(view, "URL")->isChecked());
    QCOMPARE(code->toolTip(), QStringLiteral("CODE (Alt+2; Ctrl+Tab goes to the next category)"));

    QTest::mouseClick(segment(view, "Text"), Qt::LeftButton);
    QCOMPARE(view.selectedCategory(), Category::Text);
}

void TestContentView::segments_showIconsWithTooltipsOnly()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    // The category's name, and the keys that choose it.
    const QString keys = QStringLiteral(" (Alt+%1; Ctrl+Tab goes to the next category)");
    const QList<std::pair<const char *, QString>> expected{{"URL", u"URL"_qs + keys.arg(1)},
                                                           {"Code", u"CODE"_qs + keys.arg(2)},
                                                           {"Text", u"TEXT"_qs + keys.arg(3)}};
    for (const auto &[name, tooltip] : expected) {
        QAbstractButton *button = segment(view, name);
        QCOMPARE(button->toolTip(), tooltip);
        QVERIFY(button->text().isEmpty());
        QVERIFY(!button->icon().isNull());
    }
}

void TestContentView::arrowKeyOnSegments_selectsNextCategory()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    segment(view, "URL")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(view.selectedCategory(), Category::Code);
    QCOMPARE(QApplication::focusWidget(), segment(view, "Code"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(view.selectedCategory(), Category::Text);
}

void TestContentView::switchingCategory_replacesListView()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    view.show();
    QPointer<CategoryView> urlList = view.categoryView();
    QTest::mouseClick(segment(view, "Code"), Qt::LeftButton);
    QVERIFY(urlList.isNull());
    QVERIFY(view.categoryView() != nullptr);
    QVERIFY(view.categoryView()->isVisible());
    QCOMPARE(view.categoryView()->category(), Category::Code);
    QCOMPARE(view.categoryView()->geometry(), QRect(0, view.categoryView()->y(), 350, 300));
    QCOMPARE(view.findChildren<CategoryView *>().size(), 1);

    // Choosing the segment already selected keeps its list.
    QPointer<CategoryView> codeList = view.categoryView();
    QTest::mouseClick(segment(view, "Code"), Qt::LeftButton);
    QCOMPARE(view.categoryView(), codeList.data());
}

void TestContentView::search_isKeptAcrossCategoriesWithMatchesOnSegments()
{
    Services services;
    const QStringList urls{QStringLiteral("https://github.com/brimvale"),
                           QStringLiteral("https://example.org")};
    const QStringList codes{QStringLiteral("git status"), QStringLiteral("git log --oneline"),
                            QStringLiteral("make all")};
    const QStringList texts{QStringLiteral("the GitHub page"), QStringLiteral("lunch")};
    for (const auto &[category, items] :
         {std::pair{Category::Url, urls}, {Category::Code, codes}, {Category::Text, texts}})
        QVERIFY(services.store.history().replaceList(listKey(category), items).ok());
    ContentView view(services.manager(), services.preferences(), services.dialog);
    view.show();
    const auto rows = [&view] {
        return shown(*view.categoryView()->findChild<ClipListView *>()->model());
    };
    const auto segmentSays = [&view](const char *name) {
        QAbstractButton *button = segment(view, name);
        return button->text() + u'|' + button->accessibleName();
    };
    const auto field = [&view] { return view.categoryView()->findChild<QLineEdit *>(); };

    QCOMPARE(segmentSays("Code"), QStringLiteral("|Code"));
    QTest::keyClicks(field(), QStringLiteral("git"));
    QCOMPARE(rows(), passing(urls, QStringLiteral("git")));
    QCOMPARE(segmentSays("URL"), QStringLiteral("1|URL, 1 match"));
    QTRY_COMPARE(segmentSays("Code"), QStringLiteral("2|Code, 2 matches"));
    QTRY_COMPARE(segmentSays("Text"), QStringLiteral("1|Text, 1 match"));

    // The search stays with the panel, and the other list shows what it finds.
    QTest::mouseClick(segment(view, "Code"), Qt::LeftButton);
    QCOMPARE(field()->text(), QStringLiteral("git"));
    QCOMPARE(rows(), passing(codes, QStringLiteral("git")));
    QTest::keyClicks(field(), QStringLiteral("hub"));
    QCOMPARE(rows(), QStringList());
    QTRY_COMPARE(segmentSays("URL"), QStringLiteral("1|URL, 1 match"));
    QTRY_COMPARE(segmentSays("Code"), QStringLiteral("0|Code, 0 matches"));
    QTest::mouseClick(segment(view, "Text"), Qt::LeftButton);
    QCOMPARE(rows(), QStringList({QStringLiteral("the GitHub page")}));

    // An empty search counts nothing.
    QTest::keyClick(field(), Qt::Key_Escape);
    QCOMPARE(rows(), texts);
    for (const char *name : {"URL", "Code", "Text"})
        QCOMPARE(segmentSays(name), u'|' + QString::fromLatin1(name));
}

void TestContentView::segments_arePageTabsThatSwitchTheList()
{
    Services services;
    QVERIFY(services.store.history()
                .replaceList(listKey(Category::Code), {QStringLiteral("git status")})
                .ok());
    ContentView view(services.manager(), services.preferences(), services.dialog);
    view.show();
    QAccessibleInterface *tabs =
        QAccessible::queryAccessibleInterface(child<QWidget>(view, "categoryPicker"));
    QVERIFY(tabs);
    QCOMPARE(tabs->role(), QAccessible::PageTabList);
    QStringList names;
    for (int i = 0; i < tabs->childCount(); ++i) {
        QCOMPARE(tabs->child(i)->role(), QAccessible::PageTab);
        names << tabs->child(i)->text(QAccessible::Name);
    }
    QCOMPARE(names,
             QStringList({QStringLiteral("URL"), QStringLiteral("Code"), QStringLiteral("Text")}));

    QAccessibleInterface *code = QAccessible::queryAccessibleInterface(segment(view, "Code"));
    QVERIFY(!code->state().selected);
    code->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(view.selectedCategory(), Category::Code);
    QCOMPARE(view.categoryView()->category(), Category::Code);
    QCOMPARE(shown(*view.categoryView()->findChild<ClipListView *>()->model()),
             QStringList({QStringLiteral("git status")}));
    QVERIFY(code->state().selected);
}

void TestContentView::previouslySelectedCategory_isNotRemembered()
{
    Services services;
    {
        ContentView first(services.manager(), services.preferences(), services.dialog);
        QTest::mouseClick(segment(first, "Text"), Qt::LeftButton);
        QCOMPARE(first.selectedCategory(), Category::Text);
    }
    ContentView second(services.manager(), services.preferences(), services.dialog);
    QCOMPARE(second.selectedCategory(), Category::Url);
    QVERIFY(segment(second, "URL")->isChecked());
}

void TestContentView::privacySwitchOn_storesTrueAndShowsClosedLockInRed()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    auto *privacy = child<ToggleSwitch>(view, "privacySwitch");
    auto *label = child<IconLabel>(view, "privacyLabel");
    QVERIFY(!privacy->isChecked());
    QCOMPARE(label->iconName(), IconName::LockOpen);
    QCOMPARE(label->text(), QStringLiteral("Privacy Mode"));

    QVERIFY(!services.storedPrivacyMode());
    QTest::mouseClick(privacy, Qt::LeftButton);
    QVERIFY(privacy->isChecked());
    QVERIFY(services.storedPrivacyMode());
    QCOMPARE(label->iconName(), IconName::LockClosed);
    QCOMPARE(label->color(), PanelStyle::destructiveRed(view.palette()));

    ContentView later(services.manager(), services.preferences(), services.dialog);
    QVERIFY(child<ToggleSwitch>(later, "privacySwitch")->isChecked());
}

void TestContentView::recordSelectionSwitch_storesTheChoiceOrSaysWhyNot()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    view.addRecordSelection(true);
    auto *toggle = child<ToggleSwitch>(view, "recordSelectionSwitch");
    QVERIFY(!toggle->isChecked());
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(services.preferences().recordSelection());
    QVERIFY(!view.findChild<QLabel *>(QStringLiteral("recordSelectionUnavailable")));

    // Where the selection cannot be read: no switch to turn, and a line saying so.
    ContentView unable(services.manager(), services.preferences(), services.dialog);
    unable.addRecordSelection(false);
    auto *disabled = child<ToggleSwitch>(unable, "recordSelectionSwitch");
    QVERIFY(!disabled->isEnabled());
    QVERIFY(!disabled->isChecked());
    QVERIFY(child<QLabel>(unable, "recordSelectionUnavailable")->isVisibleTo(&unable));
}

void TestContentView::privacySwitchOff_storesFalseAndShowsOpenLockInTextColour()
{
    Services services;
    services.preferences().setPrivacyMode(true);
    QVERIFY(services.preferences().flush().ok());
    QVERIFY(services.storedPrivacyMode());
    ContentView view(services.manager(), services.preferences(), services.dialog);
    auto *privacy = child<ToggleSwitch>(view, "privacySwitch");
    auto *label = child<IconLabel>(view, "privacyLabel");

    QTest::mouseClick(privacy, Qt::LeftButton);
    QVERIFY(!privacy->isChecked());
    QVERIFY(!services.storedPrivacyMode());
    QCOMPARE(label->iconName(), IconName::LockOpen);
    QCOMPARE(label->color(), label->palette().color(QPalette::WindowText));
}

void TestContentView::privacyStoredTrue_showsSwitchOnFromFirstFrame()
{
    Services services;
    services.preferences().setPrivacyMode(true);
    QVERIFY(services.preferences().flush().ok());
    ContentView view(services.manager(), services.preferences(), services.dialog);
    // Before any event is processed.
    QVERIFY(child<ToggleSwitch>(view, "privacySwitch")->isChecked());
    auto *label = child<IconLabel>(view, "privacyLabel");
    QCOMPARE(label->iconName(), IconName::LockClosed);
    QCOMPARE(label->color(), PanelStyle::destructiveRed(view.palette()));
}

void TestContentView::privacyChangedInStore_isFollowedByView()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    services.preferences().setPrivacyMode(true);
    QVERIFY(services.preferences().flush().ok());
    QVERIFY(child<ToggleSwitch>(view, "privacySwitch")->isChecked());
    QCOMPARE(child<IconLabel>(view, "privacyLabel")->iconName(), IconName::LockClosed);
    services.preferences().setPrivacyMode(false);
    QVERIFY(services.preferences().flush().ok());
    QVERIFY(!child<ToggleSwitch>(view, "privacySwitch")->isChecked());
    QCOMPARE(child<IconLabel>(view, "privacyLabel")->iconName(), IconName::LockOpen);
}

void TestContentView::showingAndHidingView_startsAndStopsOneExtraTimer()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    const ManualPollTimers &timers = services.timers;
    // The manager polls from its creation on, shown or not.
    QCOMPARE(timers.runningCount(), 1);
    view.show();
    QCOMPARE(timers.runningCount(), 2);
    view.hide();
    QCOMPARE(timers.runningCount(), 1);
    view.show();
    QCOMPARE(timers.runningCount(), 2);
    view.hide();
    QCOMPARE(timers.runningCount(), 1);
}

void TestContentView::repeatedShowEvents_startOnlyOneTimerPerAppearance()
{
    Services services;
    QWidget window;
    auto *view = new ContentView(services.manager(), services.preferences(), services.dialog,
                                 ClipboardReach::Everything, &window);
    window.show();
    QVERIFY(view->isVisible());
    QCOMPARE(services.timers.runningCount(), 2);
    // The window re-shown while already shown (as after a change of its flags).
    window.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    window.show();
    QCOMPARE(services.timers.runningCount(), 2);
    window.hide();
    QCOMPARE(services.timers.runningCount(), 1);
}

void TestContentView::view_isFixed350By450WithListArea300High()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    view.show();
    QCOMPARE(view.size(), QSize(350, 450));
    QCOMPARE(view.minimumSize(), QSize(350, 450));
    QCOMPARE(view.maximumSize(), QSize(350, 450));
    QCOMPARE(view.categoryView()->height(), 300);
    QCOMPARE(view.categoryView()->width(), 350);

    QTest::mouseClick(segment(view, "Text"), Qt::LeftButton);
    QCOMPARE(view.categoryView()->height(), 300);
}

void TestContentView::longList_keepsListArea300High()
{
    Services services;
    QStringList many;
    for (int i = 0; i < 200; ++i)
        many.append(QStringLiteral("https://example.org/page/%1").arg(i));
    QVERIFY(services.store.history().replaceList(QStringLiteral("urls"), many).ok());
    ContentView view(services.manager(), services.preferences(), services.dialog);
    QCOMPARE(services.manager().urls().size(), 200);
    view.show();
    QCoreApplication::processEvents();
    QCOMPARE(view.categoryView()->height(), 300);
    QCOMPARE(view.size(), QSize(350, 450));
}

void TestContentView::exportItems_asksForSelectedCategoryFile()
{
    Services services;
    ContentView view(services.manager(), services.preferences(), services.dialog);
    QTest::mouseClick(child<QPushButton>(view, "exportButton"), Qt::LeftButton);
    QCOMPARE(services.dialog.questions.size(), 1);
    QCOMPARE(services.dialog.questions.last().suggestedName,
             QStringLiteral("clipboard_export.url"));
    QCOMPARE(services.dialog.questions.last().fileTypes,
             QStringList({QStringLiteral("txt"), QStringLiteral("csv")}));

    QTest::mouseClick(segment(view, "Code"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(view, "exportButton"), Qt::LeftButton);
    QCOMPARE(services.dialog.questions.last().suggestedName,
             QStringLiteral("clipboard_export.code"));
}

void TestContentView::exportItems_usesCategorySelectedAtClick()
{
    Services services;
    QVERIFY(services.store.history()
                .replaceList(QStringLiteral("urls"), {QStringLiteral("https://example.org")})
                .ok());
    QVERIFY(services.store.history()
                .replaceList(QStringLiteral("texts"),
                             {QStringLiteral("second"), QStringLiteral("first")})
                .ok());
    ContentView view(services.manager(), services.preferences(), services.dialog);

    QTest::mouseClick(segment(view, "Text"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(view, "exportButton"), Qt::LeftButton);
    // The user goes back to "URL" while the dialog is open.
    QTest::mouseClick(segment(view, "URL"), Qt::LeftButton);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    QCOMPARE(services.dialog.questions.last().suggestedName,
             QStringLiteral("clipboard_export.text"));
    services.dialog.answer(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("second\n\nfirst"));
}

void TestContentView::failedExport_showsMessageThatHidesItself()
{
    Services services;
    QVERIFY(services.store.history()
                .replaceList(QStringLiteral("urls"), {QStringLiteral("https://example.org")})
                .ok());
    ContentView view(services.manager(), services.preferences(), services.dialog);
    view.show();
    auto *failure = child<QLabel>(view, "exportFailureLabel");
    QVERIFY(failure->isHidden());

    QTest::mouseClick(child<QPushButton>(view, "exportButton"), Qt::LeftButton);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no such folder/out.txt"));
    StreamCapture output(stdout);
    services.dialog.answer(path);
    const QByteArray printed = output.take();

    QVERIFY(!QFile::exists(path));
    QVERIFY(failure->isVisible());
    const QString prefix = QStringLiteral("Failed to export items: ");
    QVERIFY2(failure->text().startsWith(prefix), qPrintable(failure->text()));
    QVERIFY(failure->text().size() > prefix.size());
    // The line for a terminal is printed as before, and says the same.
    QCOMPARE(printed, failure->text().toUtf8() + '\n');

    // It goes by itself after the interval: a single-shot timer of that interval
    // runs now, and it is what hides the message.
    QTimer *hideTimer = nullptr;
    for (QTimer *timer : view.findChildren<QTimer *>()) {
        if (timer->isActive() && timer->isSingleShot() &&
            timer->interval() == ContentView::exportFailureShownMs) {
            QVERIFY2(!hideTimer, "more than one timer of the interval runs");
            hideTimer = timer;
        }
    }
    QVERIFY(hideTimer);
    QVERIFY(hideTimer->remainingTime() > ContentView::exportFailureShownMs - 2000);
    QTest::qWait(50);
    QVERIFY(failure->isVisible());
    // Sped up rather than waited for.
    hideTimer->start(0);
    QTRY_VERIFY(failure->isHidden());
}

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
