// The test hooks of the in-memory clipboard, which the tests above the platform
// rely on to stage copies and look inside.
#include "MemoryClipboard.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class MemoryClipboardTest final : public QObject
{
    Q_OBJECT

private slots:
    void clipboard_secretHidesTextUntilTheNextCopy()
    {
        MemoryClipboard clipboard;
        QSignalSpy changes(&clipboard, &Clipboard::changed);
        clipboard.setText(u"hunter2"_s);
        clipboard.setSecret(true);
        QCOMPARE(clipboard.readText(), std::nullopt);
        QCOMPARE(clipboard.text(), std::optional(u"hunter2"_s));
        clipboard.setText(u"plain"_s);
        QCOMPARE(clipboard.readText(), std::optional(u"plain"_s));
        clipboard.setText(std::nullopt);
        QCOMPARE(clipboard.readText(), std::nullopt);
        QCOMPARE(changes.size(), 4);
        QCOMPARE(clipboard.readCount(), 3);
    }

    void clipboard_writeAndClear_countedApart()
    {
        MemoryClipboard clipboard;
        clipboard.writeText(QString());
        QCOMPARE(clipboard.readText(), std::optional(QString()));
        clipboard.clear();
        QCOMPARE(clipboard.readText(), std::nullopt);
        QCOMPARE(clipboard.writeCount(), 1);
        QCOMPARE(clipboard.clearCount(), 1);
        clipboard.resetCounts();
        QCOMPARE(clipboard.readCount() + clipboard.writeCount() + clipboard.clearCount(), 0);
    }
};

QTEST_GUILESS_MAIN(MemoryClipboardTest)
#include "tst_memoryclipboard.moc"
