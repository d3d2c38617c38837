#include "E2eSupport.h"

#include "AppShell.h"
#include "CategoryPicker.h"
#include "CategoryView.h"
#include "ClipListView.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "HistoryList.h"
#include "PanelWindow.h"
#include "TextListModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString nothingPasted = u"(no text)"_s;

// What another program pastes now; this process may be the one that answers.
QString pastedText()
{
    const std::optional<QByteArray> bytes = E2eSession::pasteWithXclipServingEvents();
    return bytes ? QString::fromUtf8(*bytes) : nothingPasted;
}

bool clipboardHoldsNoText()
{
    const QString pasted = pastedText();
    return pasted == nothingPasted || pasted.isEmpty();
}

QFileDialog *shownFileDialog()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *dialog = qobject_cast<QFileDialog *>(window); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

} // namespace

// A user's way through the whole program: the shell built as main() builds it, on
// the real X clipboard, in this process; xclip is the other program that copies
// and pastes. The steps run in order and build on each other.
class JourneyEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void copiesFromXclip_showInTheirCategories();
    void search_narrowsRowsCaseInsensitively();
    void copyButton_putsRowOnClipboardForOtherPrograms();
    void exportOfCode_writesListThroughFileDialog();
    void clearThroughCard_emptiesStoreAndClipboard();
    void restart_showsEmptyHistoryThenCapturesAgain();

private:
    void startShell();
    void stopShell();

    ContentView &content() const { return m_app->panel().contentView(); }
    ClipboardManager &manager() const { return m_app->manager(); }
    void showCategory(Category category);
    ClipListView *list() const;
    QLineEdit *searchField() const;
    // The items of the rows the list shows, top to bottom.
    QStringList rows() const;
    QStringList storedList(Category category) const;
    // Waits as long as the history takes to see the clipboard at least twice.
    static void waitForPolls();

    QTemporaryDir m_dir;
    QString m_storePath;
    std::unique_ptr<AppShell> m_app;
    bool m_stepFailed = false;

    const QString m_url = u"https://example.org/journey?step=1"_s;
    const QString m_code = u"for (int i = 0; i < n; ++i) total += i;"_s;
    const QString m_sentence = u"Meet me by the old harbour after lunch."_s;
    const QString m_secondCode = u"if (ready) { start(); }"_s;
    const QString m_lastWords = u"Written just before the history is cleared."_s;
};

void JourneyEndToEndTest::initTestCase()
{
    if (!E2eSession::haveDisplay())
        QSKIP("needs an X server: DISPLAY is not set (scripts/test.sh starts Xvfb)");
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
    QVERIFY(m_dir.isValid());
    m_storePath = m_dir.filePath(u"store/brimvale.sqlite3"_s);
    // Whatever was copied before is replaced by something that is not text, so the
    // history starts empty.
    QVERIFY(E2eSession::offerNonText());
    startShell();
    QVERIFY(!QTest::currentTestFailed());
}

void JourneyEndToEndTest::init()
{
    if (m_stepFailed)
        QSKIP("an earlier step failed, and this one builds on it");
}

void JourneyEndToEndTest::cleanup()
{
    if (QTest::currentTestFailed())
        m_stepFailed = true;
}

void JourneyEndToEndTest::cleanupTestCase()
{
    stopShell();
}

void JourneyEndToEndTest::startShell()
{
    LaunchOptions options;
    options.showPanel = true;
    options.trayAvailable = false;
    // As main() makes it: the history file, the system clipboard, real timers.
    m_app = std::make_unique<AppShell>(m_storePath, options);
    QSignalSpy launched(m_app.get(), &AppShell::launched);
    m_app->launch();
    QVERIFY(launched.wait(5000));
    QVERIFY(QTest::qWaitForWindowExposed(&m_app->panel()));
}

void JourneyEndToEndTest::stopShell()
{
    m_app.reset();
}

void JourneyEndToEndTest::showCategory(Category category)
{
    auto *picker = content().findChild<CategoryPicker *>(u"categoryPicker"_s);
    QVERIFY(picker);
    QTest::mouseClick(picker->segment(category), Qt::LeftButton);
    QCOMPARE(content().selectedCategory(), category);
    QCOMPARE(content().categoryView()->category(), category);
    // Rows coming in grow from nothing; clicks aim at where they end up.
    QTRY_VERIFY_WITH_TIMEOUT(!list()->isAnimating(), 5000);
}

ClipListView *JourneyEndToEndTest::list() const
{
    return content().categoryView()->findChild<ClipListView *>();
}

QLineEdit *JourneyEndToEndTest::searchField() const
{
    return content().categoryView()->findChild<QLineEdit *>(u"searchField"_s);
}

QStringList JourneyEndToEndTest::rows() const
{
    QStringList texts;
    const QAbstractItemModel *model = list()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, 0).data(TextListModel::TextRole).toString());
    return texts;
}

QStringList JourneyEndToEndTest::storedList(Category category) const
{
    return readStoredHistory(m_storePath).lists.value(listKey(category)).texts();
}

void JourneyEndToEndTest::waitForPolls()
{
    QTest::qWait(int(2 * ClipboardManager::pollInterval.count() + 500));
}

void JourneyEndToEndTest::copiesFromXclip_showInTheirCategories()
{
    QCOMPARE(content().selectedCategory(), Category::Url);
    QCOMPARE(rows(), QStringList());

    // Each is recorded before the next comes, so none is missed between ticks.
    QVERIFY(E2eSession::copyWithXclip(m_url.toUtf8()));
    QTRY_COMPARE_WITH_TIMEOUT(rows(), QStringList{m_url}, 5000);
    QVERIFY(E2eSession::copyWithXclip(m_code.toUtf8()));
    QTRY_COMPARE_WITH_TIMEOUT(manager().codes().toStringList(), QStringList{m_code}, 5000);
    QVERIFY(E2eSession::copyWithXclip(m_sentence.toUtf8()));
    QTRY_COMPARE_WITH_TIMEOUT(manager().texts().toStringList(), QStringList{m_sentence}, 5000);
    QVERIFY(E2eSession::copyWithXclip(m_secondCode.toUtf8()));
    QTRY_COMPARE_WITH_TIMEOUT(manager().codes().toStringList(), QStringList({m_secondCode, m_code}),
                              5000);

    QCOMPARE(rows(), QStringList{m_url});
    showCategory(Category::Code);
    QCOMPARE(rows(), QStringList({m_secondCode, m_code}));
    showCategory(Category::Text);
    QCOMPARE(rows(), QStringList{m_sentence});
    showCategory(Category::Url);
    QCOMPARE(rows(), QStringList{m_url});

    QCOMPARE(storedList(Category::Url), QStringList{m_url});
    QCOMPARE(storedList(Category::Code), QStringList({m_secondCode, m_code}));
    QCOMPARE(storedList(Category::Text), QStringList{m_sentence});
}

void JourneyEndToEndTest::search_narrowsRowsCaseInsensitively()
{
    showCategory(Category::Code);
    QLineEdit *search = searchField();
    QVERIFY(search);
    auto *noMatches = content().categoryView()->findChild<QLabel *>(u"emptyLabel"_s);
    QVERIFY(noMatches);

    QTest::keyClicks(search, u"READY"_s);
    QCOMPARE(rows(), QStringList{m_secondCode});
    QTest::keyClicks(search, u"!"_s);
    QCOMPARE(rows(), QStringList());
    QVERIFY(noMatches->isVisible());
    QCOMPARE(noMatches->text(), u"No matching items"_s);

    search->selectAll();
    QTest::keyClick(search, Qt::Key_Backspace);
    QCOMPARE(rows(), QStringList({m_secondCode, m_code}));
    QVERIFY(!noMatches->isVisible());

    // The search goes with the panel to another category, and finds its rows there.
    QTest::keyClicks(search, u"total"_s);
    QCOMPARE(rows(), QStringList{m_code});
    showCategory(Category::Text);
    QCOMPARE(searchField()->text(), u"total"_s);
    QCOMPARE(rows(), QStringList());
    searchField()->clear();
    QCOMPARE(rows(), QStringList{m_sentence});
}

void JourneyEndToEndTest::copyButton_putsRowOnClipboardForOtherPrograms()
{
    showCategory(Category::Code);
    QCOMPARE(rows(), QStringList({m_secondCode, m_code}));
    // xclip still offers the newest code; the older one goes back.
    QCOMPARE(pastedText(), m_secondCode);

    HistoryList &codes = manager().codes();
    QSignalSpy inserted(&codes, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&codes, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&codes, &QAbstractItemModel::modelReset);
    const QRect button = list()->copyButtonRect(1);
    QVERIFY(list()->viewport()->rect().contains(button));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, button.center());
    QCOMPARE(pastedText(), m_code);

    // The monitor sees it come back and records nothing: it is in the history,
    // and stays where it was rather than coming to the top.
    waitForPolls();
    QCOMPARE(pastedText(), m_code);
    QCOMPARE(inserted.count() + removed.count() + reset.count(), 0);
    QCOMPARE(codes.toStringList(), QStringList({m_secondCode, m_code}));
    QCOMPARE(storedList(Category::Code), QStringList({m_secondCode, m_code}));
}

void JourneyEndToEndTest::exportOfCode_writesListThroughFileDialog()
{
    showCategory(Category::Code);
    const QString target = m_dir.filePath(u"exported-codes.txt"_s);
    QVERIFY(!QFile::exists(target));

    auto *exportButton = content().findChild<QPushButton *>(u"exportButton"_s);
    QVERIFY(exportButton);
    QCOMPARE(exportButton->text(), u"Export Items"_s);
    QTest::mouseClick(exportButton, Qt::LeftButton);

    QTRY_VERIFY_WITH_TIMEOUT(shownFileDialog(), 5000);
    // It closes itself and goes once answered.
    const QPointer<QFileDialog> dialog = shownFileDialog();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    auto *nameField = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
    QVERIFY(nameField);
    QCOMPARE(nameField->text(), u"clipboard_export.code"_s);

    // The user goes to the folder and types a name over the suggested one. No file
    // there starts like it, so no completion pops up over the dialog.
    dialog->setDirectory(m_dir.path());
    nameField->selectAll();
    QTest::keyClicks(nameField, QFileInfo(target).fileName());
    QCOMPARE(dialog->selectedFiles(), QStringList{target});
    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(buttons);
    QAbstractButton *save = nullptr;
    for (QAbstractButton *button : buttons->buttons()) {
        if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
            save = button;
    }
    QVERIFY(save);
    QTest::mouseClick(save, Qt::LeftButton);

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(target), 5000);
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), (m_secondCode + u"\n\n"_s + m_code).toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog || !dialog->isVisible(), 5000);
}

void JourneyEndToEndTest::clearThroughCard_emptiesStoreAndClipboard()
{
    // Another program holds the clipboard when the history is cleared, with a text
    // the history has taken in already.
    QVERIFY(E2eSession::copyWithXclip(m_lastWords.toUtf8()));
    QTRY_COMPARE_WITH_TIMEOUT(manager().texts().toStringList(),
                              QStringList({m_lastWords, m_sentence}), 5000);
    QCOMPARE(pastedText(), m_lastWords);

    auto *clearButton = content().findChild<QPushButton *>(u"clearHistoryButton"_s);
    QVERIFY(clearButton);
    QCOMPARE(clearButton->text(), u"Clear History"_s);
    QTest::mouseClick(clearButton, Qt::LeftButton);
    QVERIFY(content().isClearConfirmationShown());
    auto *confirm = content().findChild<QPushButton *>(u"confirmClearButton"_s);
    QVERIFY(confirm);
    QTRY_VERIFY_WITH_TIMEOUT(confirm->isVisible(), 5000);
    QCOMPARE(confirm->text(), u"Clear"_s);
    // Nothing is cleared until the card's own button is pressed.
    QCOMPARE(storedList(Category::Code).size(), 2);
    QTest::mouseClick(confirm, Qt::LeftButton);
    QVERIFY(!content().isClearConfirmationShown());

    for (const Category category : allCategories)
        QVERIFY2(manager().list(category).isEmpty(), qPrintable(categoryName(category)));
    QCOMPARE(rows(), QStringList());

    const HistoryRecord stored = readStoredHistory(m_storePath);
    QVERIFY2(stored.state == HistoryRecord::State::Loaded ||
                 stored.state == HistoryRecord::State::Absent,
             qPrintable(stored.error));
    for (const Category category : allCategories)
        QVERIFY(stored.lists.value(listKey(category)).texts().isEmpty());
    for (auto it = stored.lists.cbegin(); it != stored.lists.cend(); ++it)
        QVERIFY2(it->texts().isEmpty(), qPrintable(it.key()));

    QTRY_VERIFY_WITH_TIMEOUT(clipboardHoldsNoText(), 5000);
}

void JourneyEndToEndTest::restart_showsEmptyHistoryThenCapturesAgain()
{
    stopShell();
    startShell();
    QVERIFY(!QTest::currentTestFailed());

    for (const Category category : {Category::Code, Category::Text, Category::Url}) {
        showCategory(category);
        QCOMPARE(rows(), QStringList());
    }

    const QString again = u"https://example.org/journey?step=2"_s;
    QVERIFY(E2eSession::copyWithXclip(again.toUtf8()));
    QTRY_COMPARE_WITH_TIMEOUT(rows(), QStringList{again}, 5000);
    QCOMPARE(storedList(Category::Url), QStringList{again});
    QCOMPARE(storedList(Category::Code), QStringList());
    QCOMPARE(storedList(Category::Text), QStringList());
}

int main(int argc, char *argv[])
{
    // Everything the toolkit keeps per user (the file dialog's recent places among
    // it) goes to a home of its own, never the user's.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", home.path().toLocal8Bit());
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                             "XDG_RUNTIME_DIR"})
        qputenv(name, QDir(home.path()).filePath(QString::fromLatin1(name)).toLocal8Bit());
    QDir().mkpath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    QFile::setPermissions(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Without a display the test only says why it skips.
    if (!E2eSession::haveDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    // The file dialog must be Qt's own, whatever desktop's dialogs are installed.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);

    QApplication app(argc, argv);
    JourneyEndToEndTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journey_e2e.moc"
