#include "CategoryView.h"
#include "ClipListView.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "PanelWindow.h"
#include "PreviewPanel.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "TemporaryStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QtTest>

// Renders the panel in its typical states to PNG files for a person to look at,
// and checks that each picture is the one meant: drawn in the palette asked for,
// and different from every other state's, so a state that was never reached or
// a palette that was not applied fails.
class TestPanelScreenshots final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void panelStates_areRendered_data();
    void panelStates_areRendered();

private:
    QDir m_directory;
    // The pictures taken so far, by data tag.
    QHash<QString, QImage> m_taken;
};

namespace {

const QStringList longAndMultiLineTexts{
    QStringLiteral("A short note"),
    QStringLiteral("First line of a copied paragraph\nsecond line\nthird line\nfourth line"),
    QStringLiteral("An unusually long sentence copied from a web page that goes on and on well "
                   "past the width of the panel so that it has to be cut somewhere sensible"),
    QStringLiteral("Tabs\tand    spaces   kept exactly"),
    QStringLiteral("Ünïcödé — “quotes” and emoji 📋"),
};

const QStringList urls{
    QStringLiteral("https://example.org/"),
    QStringLiteral("https://www.example.com/a/very/long/path/that/keeps/going/and/going/"
                   "index.html?query=string&with=parameters#fragment"),
    QStringLiteral("http://localhost:8080/api/v1/items"),
};

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(40, 40, 44));
    palette.setColor(QPalette::WindowText, QColor(230, 230, 230));
    palette.setColor(QPalette::Base, QColor(28, 28, 30));
    palette.setColor(QPalette::AlternateBase, QColor(48, 48, 52));
    palette.setColor(QPalette::Text, QColor(230, 230, 230));
    palette.setColor(QPalette::Button, QColor(58, 58, 62));
    palette.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    palette.setColor(QPalette::Mid, QColor(90, 90, 96));
    palette.setColor(QPalette::Midlight, QColor(72, 72, 78));
    palette.setColor(QPalette::Dark, QColor(20, 20, 22));
    palette.setColor(QPalette::Highlight, QColor(42, 110, 210));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    return palette;
}

// 0 for black, 1 for white, over a grid of pixels.
double meanLightness(const QImage &picture)
{
    double sum = 0;
    int count = 0;
    for (int y = 0; y < picture.height(); y += 3) {
        for (int x = 0; x < picture.width(); x += 3, ++count)
            sum += QColor(picture.pixel(x, y)).lightnessF();
    }
    return count > 0 ? sum / count : 0;
}
} // namespace

void TestPanelScreenshots::initTestCase()
{
    m_directory.setPath(QStringLiteral(BRIMVALE_SCREENSHOT_DIR));
    QVERIFY(m_directory.mkpath(QStringLiteral(".")));
}

void TestPanelScreenshots::panelStates_areRendered_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("dark");
    for (const bool dark : {false, true}) {
        for (const char *state : {"empty", "urls", "items", "preview", "search", "privacy",
                                  "confirmation", "dock", "pinned"})
            QTest::addRow("%s%s", state, dark ? "-dark" : "") << QString::fromLatin1(state) << dark;
    }
}

void TestPanelScreenshots::panelStates_areRendered()
{
    QFETCH(QString, state);
    QFETCH(bool, dark);

    const QPalette original = QApplication::palette();
    if (dark)
        QApplication::setPalette(darkPalette());
    auto restorePalette = qScopeGuard([&] { QApplication::setPalette(original); });

    const bool withTexts = state == QLatin1String("items") || state == QLatin1String("preview") ||
                           state == QLatin1String("search");
    MemoryClipboard clipboard;
    TemporaryStore store;
    QVERIFY(store.isValid());
    ManualPollTimers timers;
    // The history as a previous session left it.
    if (state != QLatin1String("empty"))
        QVERIFY(store.history().replaceList(QStringLiteral("urls"), urls).ok());
    if (withTexts)
        QVERIFY(store.history().replaceList(QStringLiteral("texts"), longAndMultiLineTexts).ok());
    ClipboardManager manager(clipboard, store.preferences(), store.history(), timers);
    PanelWindow panel(manager, store.preferences());
    ContentView &content = panel.contentView();
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    auto chooseText = [&] {
        QCOMPARE(manager.texts().toStringList(), longAndMultiLineTexts);
        QTest::mouseClick(content.findChild<QAbstractButton *>(QStringLiteral("segmentText")),
                          Qt::LeftButton);
    };

    if (state == QLatin1String("items")) {
        chooseText();
    } else if (state == QLatin1String("preview")) {
        chooseText();
        auto *list = content.categoryView()->findChild<ClipListView *>();
        QVERIFY(list);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->textRect(1).center());
        QVERIFY(list->preview() != nullptr);
        QTRY_VERIFY(!list->isAnimating());
        // The preview fades in on its own.
        QTest::qWait(PreviewPanel::fadeMs + 100);
    } else if (state == QLatin1String("search")) {
        // The counts of matches on the segments.
        QTest::keyClicks(content.categoryView()->findChild<QLineEdit *>(), QStringLiteral("ex"));
    } else if (state == QLatin1String("privacy")) {
        store.preferences().setPrivacyMode(true);
        QVERIFY(store.preferences().flush().ok());
    } else if (state == QLatin1String("confirmation")) {
        QTest::mouseClick(content.findChild<QPushButton *>(QStringLiteral("clearHistoryButton")),
                          Qt::LeftButton);
    } else if (state.startsWith(QLatin1String("pinned"))) {
        // The last URL stands first, marked; the card says pinned items stay.
        manager.setPinned(Category::Url, urls.last(), true);
        if (state == QLatin1String("pinnedConfirmation"))
            QTest::mouseClick(
                content.findChild<QPushButton *>(QStringLiteral("clearHistoryButton")),
                Qt::LeftButton);
    } else if (state == QLatin1String("dock")) {
        store.preferences().setShowInDock(true);
        QVERIFY(store.preferences().flush().ok());
    }
    if (auto *list = content.categoryView()->findChild<ClipListView *>())
        QTRY_VERIFY(!list->isAnimating());
    QTest::qWait(20);

    const QImage picture = panel.grab().toImage();
    QCOMPARE(picture.size(), panel.size() * panel.devicePixelRatio());
    const QString file = m_directory.filePath(
        QStringLiteral("panel-%1%2.png").arg(state, dark ? QStringLiteral("-dark") : QString()));
    QVERIFY2(picture.save(file), qPrintable(file));

    const double lightness = meanLightness(picture);
    QVERIFY2(dark ? lightness < 0.35 : lightness > 0.65,
             qPrintable(QStringLiteral("mean lightness %1").arg(lightness)));
    for (auto taken = m_taken.cbegin(); taken != m_taken.cend(); ++taken) {
        if (taken.key().endsWith(QLatin1String("-dark")) == dark)
            QVERIFY2(taken.value() != picture,
                     qPrintable(QStringLiteral("looks like ") + taken.key()));
    }
    m_taken.insert(QString::fromLatin1(QTest::currentDataTag()), picture);
}

QTEST_MAIN(TestPanelScreenshots)
#include "tst_panelscreenshots.moc"
