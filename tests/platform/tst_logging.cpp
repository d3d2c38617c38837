#include "AppLogging.h"
#include "CoreLogging.h"
#include "Logging.h"
#include "StreamCapture.h"
#include "UiLogging.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

// How the program reports to the user: one category per layer, and every message
// one "brimvale: " line on standard error.
class LoggingTest final : public QObject
{
    Q_OBJECT

private slots:
    void categories_areOnePerLayerAndWarnWithoutAnyRules()
    {
        const std::vector<std::pair<const QLoggingCategory *, QByteArray>> categories{
            {&lcPlatform(), "brimvale.platform"},
            {&lcCore(), "brimvale.core"},
            {&lcUi(), "brimvale.ui"},
            {&lcApp(), "brimvale.app"},
        };
        for (const auto &[category, name] : categories) {
            QCOMPARE(QByteArray(category->categoryName()), name);
            QVERIFY2(category->isWarningEnabled(), name.constData());
            QVERIFY2(category->isCriticalEnabled(), name.constData());
        }
    }

    void install_returnsTheHandlerItReplaces()
    {
        const QtMessageHandler before = installBrimvaleMessageHandler();
        QVERIFY(before != &writeBrimvaleMessage);
        QVERIFY(installBrimvaleMessageHandler() == &writeBrimvaleMessage);
        qInstallMessageHandler(before);
    }

    void everyMessage_isOnePrefixedLineOnStderr()
    {
        const QtMessageHandler before = installBrimvaleMessageHandler();
        StreamCapture errors(stderr);
        qCWarning(lcPlatform, "the store could not be read");
        qCWarning(lcApp).noquote() << u"caf\u00E9 ends in a line break\n"_s;
        qCCritical(lcCore, "%d lists", 3);
        qWarning("a message of Qt's own");
        const QByteArray said = errors.take();
        qInstallMessageHandler(before);
        QCOMPARE(said, QByteArray("brimvale: the store could not be read\n"
                                  "brimvale: caf\xC3\xA9 ends in a line break\n"
                                  "brimvale: 3 lists\n"
                                  "brimvale: a message of Qt's own\n"));
    }

    void messagesFromSeveralThreads_stayWholeLines()
    {
        constexpr int threadCount = 4;
        constexpr int perThread = 200;
        const QtMessageHandler before = installBrimvaleMessageHandler();
        StreamCapture errors(stderr);
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back(QThread::create([t] {
                const QString filler = QString(300, QChar(u'a' + t));
                for (int i = 0; i < perThread; ++i)
                    qCWarning(lcCore).noquote() << filler;
            }));
            threads.back()->start();
        }
        for (const auto &thread : threads)
            QVERIFY(thread->wait(10000));
        const QByteArray said = errors.take();
        qInstallMessageHandler(before);

        const QList<QByteArray> lines = said.split('\n');
        QCOMPARE(lines.size(), threadCount * perThread + 1);
        QVERIFY(lines.back().isEmpty());
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QByteArray &line = lines.at(i);
            QVERIFY2(line.startsWith("brimvale: "), line.constData());
            const QByteArray text = line.sliced(10);
            QCOMPARE(text.size(), 300);
            QCOMPARE(text.count(text.front()), 300);
        }
    }

    // The program as the user starts it: its own lines and Qt's all come prefixed.
    void program_writesItsReportsAsPrefixedLines()
    {
        QTemporaryDir dataHome;
        QVERIFY(dataHome.isValid());
        const QString storeDir = dataHome.filePath(u"brimvale"_s);
        QVERIFY(QDir().mkpath(storeDir));
        {
            QFile store(storeDir + u"/brimvale.sqlite3"_s);
            QVERIFY(store.open(QIODevice::WriteOnly));
            store.write(QByteArray(8192, '\x5a'));
        }
        QProcess brimvale;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_s, dataHome.path());
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.remove(u"QT_LOGGING_RULES"_s);
        brimvale.setProcessEnvironment(environment);
        brimvale.start(QStringLiteral(BRIMVALE_BINARY), QStringList{});
        QVERIFY(brimvale.waitForStarted(10000));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT(
            (said += brimvale.readAllStandardError()).contains("no system tray"), 20000);
        brimvale.terminate();
        QVERIFY(brimvale.waitForFinished(10000));
        said += brimvale.readAllStandardError();

        const QList<QByteArray> lines = said.trimmed().split('\n');
        for (const QByteArray &line : lines)
            QVERIFY2(line.startsWith("brimvale: "), line.constData());
        QVERIFY2(lines.contains("brimvale: no system tray is available, so the panel opens as a "
                                "window."),
                 said.constData());
        const QByteArray keptAside = "brimvale: " + QFile::encodeName(storeDir) +
                                     "/brimvale.sqlite3 could not be read; it was kept as " +
                                     QFile::encodeName(storeDir) + "/brimvale.sqlite3.unreadable-";
        QCOMPARE(std::count_if(lines.begin(), lines.end(),
                               [&](const QByteArray &line) { return line.startsWith(keptAside); }),
                 1);
    }
};

QTEST_GUILESS_MAIN(LoggingTest)
#include "tst_logging.moc"
