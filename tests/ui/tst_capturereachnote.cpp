#include "CaptureReachNote.h"

#include <QTest>
#include <QWidget>

// The panel's line about what Brimvale can see: only where it sees copies only
// while it has the focus.
class CaptureReachNoteTest final : public QObject
{
    Q_OBJECT

private slots:
    void shownOnlyWhereCopiesAreSeenOnlyWithTheFocus()
    {
        QWidget panel;
        const CaptureReachNote limited(&panel, ClipboardReach::OnlyWhileSeen);
        const CaptureReachNote everything(&panel, ClipboardReach::Everything);
        QVERIFY(limited.isVisibleTo(&panel));
        QCOMPARE(
            limited.text(),
            QStringLiteral("On this desktop Brimvale records copies only while it can see them."));
        QVERIFY(!everything.isVisibleTo(&panel));
    }

    void followsTheClipboardChosenAtStart()
    {
        // No clipboard was chosen in this process: X11's reach, no line.
        QWidget panel;
        const CaptureReachNote note(&panel);
        QCOMPARE(systemClipboardReach(), ClipboardReach::Everything);
        QVERIFY(!note.isVisibleTo(&panel));
    }
};

QTEST_MAIN(CaptureReachNoteTest)
#include "tst_capturereachnote.moc"
