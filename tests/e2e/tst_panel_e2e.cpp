#include "E2eSupport.h"
#include "XdoWindow.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The real brimvale's panel on a real X server, worked with the keyboard through
// the window system, while xclip plays the other programs.
//
// Keys, not pointer positions: the rows' places depend on fonts and style, the
// order of the controls does not. The panel opens with the focus in the search
// field; Down or Tab goes on to the list. In the list Home and Down choose a row,
// Ctrl+C or Return copies its item and Delete deletes it.
class PanelEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!E2eSession::haveDisplay())
            QSKIP("needs an X server: DISPLAY is not set (scripts/test.sh starts Xvfb)");
        QVERIFY2(XdoWindow::toolFound(), "xdotool is missing: run scripts/install-deps.sh");
    }

    void copiesFromOtherPrograms_showAsRowsNewestFirst_copyActionPutsRowOnClipboard();
    void searchedRowCopied_thenDeleted_clipboardEmptiedAndStoreUpdated();
    void deletingRows_clearsClipboardOnlyWhenItHoldsThatItem();
    void typeSearchDownReturn_putsRowsFullTextOnClipboard();
    void pinnedRow_standsFirst_survivesClearAndRestart();

private:
    static const QString alpha;
    static const QString beta;
    static const QString gamma;
};

const QString PanelEndToEndTest::alpha = QStringLiteral("https://one.example/alpha");
const QString PanelEndToEndTest::beta = QStringLiteral("https://two.example/beta");
const QString PanelEndToEndTest::gamma = QStringLiteral("https://three.example/gamma");

namespace {

const QString urlsKey = QStringLiteral("urls");

// Starts brimvale, lets xclip copy `texts` one after the other (they are all
// URLs, the category the panel shows first) and waits until each is recorded.
// Returns the panel's window, focused.
std::optional<XdoWindow> startWithCopies(E2eSession &session, const QStringList &texts)
{
    if (!session.startBrimvale())
        return std::nullopt;
    QStringList expected;
    for (const QString &text : texts) {
        if (!E2eSession::copyWithXclip(text.toUtf8()))
            return std::nullopt;
        expected.prepend(text);
        if (!QTest::qWaitFor([&] { return session.storedList(urlsKey) == expected; }, 5000))
            return std::nullopt;
    }
    std::optional<XdoWindow> window =
        XdoWindow::find(session.brimvale().processId(), QStringLiteral("Brimvale"));
    if (!window || !window->focus())
        return std::nullopt;
    return window;
}

// What the clipboard offers as text; an empty string when it offers nothing.
QString clipboardText()
{
    return QString::fromUtf8(E2eSession::pasteWithXclip().value_or(QByteArray()));
}

const QStringList fromSearchToList{QStringLiteral("Tab")};

// The texts of the stored URLs that are pinned, in pin order.
QStringList storedPinnedUrls(const E2eSession &session)
{
    const HistoryRecord record = readStoredHistory(session.storePath());
    const StoredList urls = record.lists.value(urlsKey);
    QStringList pinned;
    for (const qint64 id : record.pins) {
        const auto at = std::find(urls.ids.begin(), urls.ids.end(), id);
        if (at != urls.ids.end())
            pinned << StoredList::textOf(urls.utf8At(at - urls.ids.begin()));
    }
    return pinned;
}

} // namespace

void PanelEndToEndTest::copiesFromOtherPrograms_showAsRowsNewestFirst_copyActionPutsRowOnClipboard()
{
    E2eSession session;
    const std::optional<XdoWindow> panel = startWithCopies(session, {alpha, beta, gamma});
    QVERIFY2(panel, "brimvale did not record the copies or show its window");
    // Something that is not text, so that each row copied is seen arriving.
    QVERIFY(E2eSession::offerNonText());

    QVERIFY(panel->key(fromSearchToList + QStringList{u"Home"_s, u"ctrl+c"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), gamma, 5000);
    QVERIFY(panel->key({u"Down"_s, u"ctrl+c"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), beta, 5000);
    QVERIFY(panel->key({u"End"_s, u"ctrl+c"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), alpha, 5000);

    // The copies went back to the clipboard without entering the history again. A
    // new copy recorded after them shows the monitor has looked at them all.
    const QString delta = QStringLiteral("https://four.example/delta");
    QVERIFY(E2eSession::copyWithXclip(delta.toUtf8()));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), QStringList({delta, gamma, beta, alpha}),
                              5000);
}

void PanelEndToEndTest::searchedRowCopied_thenDeleted_clipboardEmptiedAndStoreUpdated()
{
    E2eSession session;
    const std::optional<XdoWindow> panel = startWithCopies(session, {alpha, beta, gamma});
    QVERIFY2(panel, "brimvale did not record the copies or show its window");
    QCOMPARE(clipboardText(), gamma);

    // The search leaves one row, so Home can only reach beta's.
    QVERIFY(panel->type(QStringLiteral("BETA")));
    QVERIFY(panel->key({u"Tab"_s, u"Home"_s, u"ctrl+c"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), beta, 5000);

    QVERIFY(panel->key({u"Delete"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), QStringList({gamma, alpha}), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(E2eSession::pasteWithXclip().value_or(QByteArray()).isEmpty(), 5000);
}

void PanelEndToEndTest::deletingRows_clearsClipboardOnlyWhenItHoldsThatItem()
{
    E2eSession session;
    const std::optional<XdoWindow> panel = startWithCopies(session, {alpha, beta, gamma});
    QVERIFY2(panel, "brimvale did not record the copies or show its window");

    QVERIFY(panel->type(QStringLiteral("alpha")));
    QVERIFY(panel->key({u"Tab"_s, u"Home"_s, u"Delete"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), QStringList({gamma, beta}), 5000);
    QCOMPARE(clipboardText(), gamma);

    // Back in the search field, a new search reaches another row.
    QVERIFY(panel->key({u"shift+Tab"_s, u"ctrl+a"_s}));
    QVERIFY(panel->type(QStringLiteral("three")));
    QVERIFY(panel->key({u"Tab"_s, u"Home"_s, u"Delete"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), QStringList{beta}, 5000);
    // That one was on the clipboard, held by xclip: it is gone from there too.
    QTRY_VERIFY_WITH_TIMEOUT(E2eSession::pasteWithXclip().value_or(QByteArray()).isEmpty(), 5000);
}

void PanelEndToEndTest::typeSearchDownReturn_putsRowsFullTextOnClipboard()
{
    // Longer than a row shows: what is pasted must be the whole item.
    const QString longUrl = QStringLiteral("https://long.example/") + QString(160, u'q');
    E2eSession session;
    const std::optional<XdoWindow> panel = startWithCopies(session, {alpha, longUrl, gamma});
    QVERIFY2(panel, "brimvale did not record the copies or show its window");
    QCOMPARE(clipboardText(), gamma);

    // Straight into the search field, down to the first match, Return.
    QVERIFY(panel->type(QStringLiteral("long.example")));
    QVERIFY(panel->key({u"Down"_s, u"Return"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), longUrl, 5000);
    // Copied back, not recorded again.
    QTest::qWait(1500);
    QCOMPARE(session.storedList(urlsKey), QStringList({gamma, longUrl, alpha}));
}

void PanelEndToEndTest::pinnedRow_standsFirst_survivesClearAndRestart()
{
    E2eSession session;
    std::optional<XdoWindow> panel = startWithCopies(session, {alpha, beta, gamma});
    QVERIFY2(panel, "brimvale did not record the copies or show its window");
    QVERIFY(panel->key(fromSearchToList + QStringList{u"End"_s, u"ctrl+p"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(storedPinnedUrls(session), QStringList{alpha}, 5000);
    // The oldest row stands first now.
    QVERIFY(E2eSession::offerNonText());
    QVERIFY(panel->key({u"Home"_s, u"ctrl+c"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), alpha, 5000);

    // From the list to Export, to Clear History; the card opens on Cancel.
    QVERIFY(panel->key({u"Tab"_s, u"Tab"_s, u"space"_s}));
    QTest::qWait(300);
    QVERIFY(panel->key({u"Tab"_s, u"Return"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), QStringList{alpha}, 5000);

    session.stopBrimvale();
    QVERIFY(session.startBrimvale());
    QCOMPARE(storedPinnedUrls(session), QStringList{alpha});
    const QString delta = QStringLiteral("https://four.example/delta");
    QVERIFY(E2eSession::copyWithXclip(delta.toUtf8()));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), QStringList({delta, alpha}), 5000);
    panel = XdoWindow::find(session.brimvale().processId(), QStringLiteral("Brimvale"));
    QVERIFY(panel && panel->focus());
    QVERIFY(E2eSession::offerNonText());
    QVERIFY(panel->key(fromSearchToList + QStringList{u"Home"_s, u"ctrl+c"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), alpha, 5000);
}

QTEST_GUILESS_MAIN(PanelEndToEndTest)
#include "tst_panel_e2e.moc"
