// XcbClipboard reading PRIMARY, the text selected with the mouse, on the real X
// server of DISPLAY with xclip and platform_helper as the other programs. Skipped
// without an X server. (The mouse button is checked end to end, tst_selection_e2e.)
#include "X11ClipboardTest.h"
#include "XcbClipboard.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace X11ClipboardTest;

class XcbPrimarySelectionTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const char *reason = missing())
            QSKIP(reason);
    }

    void primary_othersSelectionsRead_oursAndTheClipboardNot()
    {
        Owners owners;
        owners.offer(u"xclip"_s, {u"-selection"_s, u"primary"_s, u"-i"_s}, "selected before");
        QTRY_COMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection),
                     u"selected before"_s);
        auto opened = XcbClipboard::open(nullptr, XcbClipboard::Selection::Primary);
        auto *reader = std::get_if<std::unique_ptr<XcbClipboard>>(&opened);
        if (!reader)
            QFAIL(qPrintable(std::get<QString>(opened)));
        XcbClipboard &primary = **reader;
        QSignalSpy changes(&primary, &Clipboard::changed);

        // What was selected before it opened is left alone; the next is read.
        owners.offer(u"xclip"_s, {u"-selection"_s, u"primary"_s, u"-i"_s}, "selected now");
        QVERIFY(changes.wait(timeoutMs));
        QCOMPARE(changes.size(), 1);
        QVERIFY2(readsSoon(primary, u"selected now"_s), describe(primary.readText()));

        // A copy is not a selection.
        owners.offer(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-i"_s}, "copied");
        QVERIFY(!changes.wait(1000));

        // A password manager's selection is never read.
        owners.take(QStringLiteral(PLATFORM_HELPER), {u"select"_s, u"secret"_s, u"hunter2"_s}, {});
        QVERIFY(!changes.wait(1000));
        QCOMPARE(primary.readText(), std::nullopt);

        // Text selected in our own windows is not read.
        QGuiApplication::clipboard()->setText(u"selected in our panel"_s, QClipboard::Selection);
        QVERIFY(!changes.wait(1000));
        QCOMPARE(primary.readText(), std::nullopt);
    }
};

int main(int argc, char **argv)
{
    return X11ClipboardTest::exec<XcbPrimarySelectionTest>(argc, argv);
}
#include "tst_xcbprimaryselection.moc"
