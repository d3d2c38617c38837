#include "AppShell.h"
#include "CaptureReachNote.h"
#include "PanelTestHelpers.h"
#include "PanelWindow.h"

#include <QTest>
#include <QWidget>

using namespace PanelTest;

// The panel's line about what Brimvale can see: only where it sees copies only
// while it has the focus.
class CaptureReachNoteTest final : public QObject
{
    Q_OBJECT

private slots:
    void shownOnlyWhereCopiesAreSeenOnlyWithTheFocus()
    {
        QWidget panel;
        const CaptureReachNote limited(ClipboardReach::OnlyWhileSeen, &panel);
        const CaptureReachNote everything(ClipboardReach::Everything, &panel);
        QVERIFY(limited.isVisibleTo(&panel));
        QCOMPARE(
            limited.text(),
            QStringLiteral("On this desktop Brimvale records copies only while it can see them."));
        QVERIFY(!everything.isVisibleTo(&panel));
    }

    void followsTheReachTheShellIsGiven()
    {
        FakeServices fakes;
        QVERIFY(fakes.store.isValid());
        const auto noteShown = [&fakes](ClipboardReach reach) {
            Services services = fakes.services();
            services.clipboardReach = reach;
            const AppShell app(services, {.showPanel = false, .trayAvailable = true});
            const auto *note =
                app.panel().findChild<CaptureReachNote *>(QStringLiteral("captureReachNote"));
            return note && note->isVisibleTo(&app.panel());
        };
        QVERIFY(noteShown(ClipboardReach::OnlyWhileSeen));
        QVERIFY(!noteShown(ClipboardReach::Everything));
    }
};

QTEST_MAIN(CaptureReachNoteTest)
#include "tst_capturereachnote.moc"
