#include "E2eSupport.h"
#include "SessionBus.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QTest>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Finished
{
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// `brimvale arguments`, fed `input`, run to its end.
Finished runBrimvale(const QProcessEnvironment &env, const QStringList &arguments,
                     const QByteArray &input = {})
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(BRIMVALE_BINARY), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// The line of `--list` whose text is `shown`.
QByteArray listedLine(const QByteArray &list, const QByteArray &shown)
{
    for (const QByteArray &line : list.split('\n')) {
        if (line.endsWith('\t' + shown))
            return line + '\n';
    }
    return {};
}

// Every file of the store's folder with its bytes and the time it was changed. The
// -shm is the shared memory of the store's readers, where each reader notes what it
// reads: only that it is there counts.
std::map<QString, std::pair<QByteArray, QDateTime>> folderState(const QString &folder)
{
    std::map<QString, std::pair<QByteArray, QDateTime>> state;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden); it.hasNext();) {
        const QFileInfo file(it.next());
        if (file.fileName().endsWith(u"-shm"_s)) {
            state[file.fileName()] = {};
            continue;
        }
        QFile content(file.filePath());
        state[file.fileName()] = {content.open(QIODevice::ReadOnly) ? content.readAll()
                                                                    : QByteArray(),
                                  file.lastModified()};
    }
    return state;
}

QProcessEnvironment withoutDisplay(QProcessEnvironment env)
{
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        env.remove(name);
    return env;
}

} // namespace

// What launchers and scripts do with the history: list it, print an item, and
// have the running Brimvale copy or delete one, on the real binary.
class CommandLineEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void listChosenLine_isCopied_andDeleteRemovesIt_data()
    {
        QTest::addColumn<bool>("onBus");
        QTest::newRow("local socket, no session bus") << false;
        QTest::newRow("session bus") << true;
    }

    void listChosenLine_isCopied_andDeleteRemovesIt()
    {
        QFETCH(bool, onBus);
        if (!E2eSession::haveDisplay())
            QSKIP("needs an X server: DISPLAY is not set (scripts/test.sh starts Xvfb)");
        E2eSession session;
        std::unique_ptr<SessionBus> bus;
        if (onBus) {
            bus = std::make_unique<SessionBus>();
            QVERIFY(!bus->address().isEmpty());
            session.setEnvironmentVariable(u"DBUS_SESSION_BUS_ADDRESS"_s, bus->address());
        }
        QVERIFY(session.startBrimvale());
        if (onBus) {
            QVERIFY(!bus->owner(u"io.github.brimvale.Brimvale"_s).isEmpty());
            // Only the bus is left to carry the requests.
            QVERIFY(QFile::remove(session.homePath() + u"/brimvale.socket"_s));
        }
        const QByteArray code = "int main()\n{\n    return 0;\n}";
        int copied = 0;
        for (const QByteArray &text :
             {QByteArray("https://list.example/"), code, QByteArray("plain words")}) {
            QVERIFY(E2eSession::copyWithXclip(text));
            ++copied;
            QTRY_COMPARE_WITH_TIMEOUT(
                runBrimvale(session.environment(), {u"--list"_s}).standardOutput.count('\n'),
                copied, 5000);
            // The newest item, whole, as it was copied.
            QCOMPARE(runBrimvale(session.environment(), {u"--print"_s, u"-"_s},
                                 runBrimvale(session.environment(), {u"--list"_s})
                                     .standardOutput.split('\n')
                                     .constFirst())
                         .standardOutput,
                     text);
        }
        // Newest first, ids growing towards the newest, line breaks as the row marks them.
        const Finished listed = runBrimvale(session.environment(), {u"--list"_s});
        QCOMPARE(listed.exitCode, 0);
        const QList<QByteArray> lines = listed.standardOutput.split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].endsWith("\tplain words"));
        QVERIFY(lines[1].endsWith("\tint main()⏎{⏎    return 0;⏎}"));
        QVERIFY(lines[2].endsWith("\thttps://list.example/"));
        QVERIFY(lines[0].split('\t')[0].toLongLong() > lines[1].split('\t')[0].toLongLong());
        QCOMPARE(runBrimvale(session.environment(), {u"--list"_s, u"url"_s}).standardOutput,
                 lines[2] + '\n');

        // `brimvale --list | wofi --dmenu | brimvale --copy -`, then another program pastes.
        const QByteArray chosen = listedLine(listed.standardOutput, "https://list.example/");
        QCOMPARE(runBrimvale(session.environment(), {u"--copy"_s, u"-"_s}, chosen).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(E2eSession::pasteWithXclip(),
                                  std::optional<QByteArray>("https://list.example/"), 5000);

        // An id no item has: one line, and a failure.
        for (const QString &option : {u"--copy"_s, u"--delete"_s, u"--print"_s}) {
            const Finished unknown = runBrimvale(session.environment(), {option, u"999999"_s});
            QCOMPARE(unknown.exitCode, 1);
            QCOMPARE(unknown.standardError, "No item has the id 999999\n");
        }

        const QByteArray codeId = listedLine(listed.standardOutput, lines[1].split('\t')[1]);
        QCOMPARE(runBrimvale(session.environment(), {u"--delete"_s, u"-"_s}, codeId).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(u"codes"_s), QStringList(), 5000);
        QVERIFY(!runBrimvale(session.environment(), {u"--list"_s}).standardOutput.contains("main"));
    }

    // From an SSH shell or a script, with no Brimvale running: the store is read
    // as it is left, whichever files a WAL store has beside it, and never changed.
    void withoutDisplayOrBrimvale_readingLeavesTheStoreAsItWas()
    {
        E2eSession session;
        const QProcessEnvironment env = withoutDisplay(session.environment());
        const QString folder = QFileInfo(session.storePath()).absolutePath();
        QVERIFY(QDir().mkpath(folder));
        QTemporaryDir crashed;
        const QString crashedFolder = crashed.filePath(u"brimvale"_s);
        QVERIFY(QDir().mkpath(crashedFolder));
        {
            SqliteStoreFile file(session.storePath());
            SqliteHistoryStore history(file);
            QVERIFY(history.insertNewest(u"texts"_s, u"older"_s).ok());
            QVERIFY(history.insertNewest(u"urls"_s, u"https://newer.example/"_s).ok());
            // Open, as a running Brimvale keeps it: its -wal and -shm are there.
            QVERIFY(QFileInfo::exists(session.storePath() + u"-shm"_s));
            const auto open = folderState(folder);
            QCOMPARE(runBrimvale(env, {u"--list"_s}).standardOutput.count('\n'), 2);
            QCOMPARE(folderState(folder), open);
            // As a crash leaves it when the -shm is gone: a -wal with the items.
            for (const QString &suffix : {u""_s, u"-wal"_s})
                QVERIFY(QFile::copy(session.storePath() + suffix,
                                    crashedFolder + u"/brimvale.sqlite3"_s + suffix));
        }
        QProcessEnvironment crashedEnv = env;
        crashedEnv.insert(u"XDG_DATA_HOME"_s, crashed.path());
        const auto crashedState = folderState(crashedFolder);
        const Finished fromLog = runBrimvale(crashedEnv, {u"--list"_s, u"url"_s});
        QCOMPARE(fromLog.standardOutput.split('\t').value(1), "https://newer.example/\n");
        QCOMPARE(folderState(crashedFolder), crashedState);

        // Closed: the store file alone.
        QVERIFY(!QFileInfo::exists(session.storePath() + u"-wal"_s));
        const auto closed = folderState(folder);
        const Finished listed = runBrimvale(env, {u"--list"_s});
        QCOMPARE(listed.exitCode, 0);
        const QByteArray olderId = listed.standardOutput.split('\n')[1].split('\t')[0];
        QVERIFY(listed.standardOutput.split('\n')[1].endsWith("\tolder"));
        const Finished printed = runBrimvale(env, {u"--print"_s, QString::fromLatin1(olderId)});
        QCOMPARE(printed.exitCode, 0);
        QCOMPARE(printed.standardOutput, "older");
        QCOMPARE(folderState(folder), closed);

        const Finished unknown = runBrimvale(env, {u"--print"_s, u"424242"_s});
        QCOMPARE(unknown.exitCode, 1);
        QCOMPARE(unknown.standardError, "No item has the id 424242\n");
        const Finished notRunning =
            runBrimvale(env, {u"--copy"_s, u"-"_s}, listed.standardOutput.split('\n')[0]);
        QCOMPARE(notRunning.exitCode, 1);
        QCOMPARE(notRunning.standardError, "Brimvale is not running\n");

        // A store that is no database: named in one line, and left as it is.
        QFile garbage(session.storePath());
        QVERIFY(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        const auto damaged = folderState(folder);
        const Finished unreadable = runBrimvale(env, {u"--list"_s});
        QCOMPARE(unreadable.exitCode, 1);
        QCOMPARE(unreadable.standardError.count('\n'), 1);
        QVERIFY2(unreadable.standardError.contains(session.storePath().toUtf8()),
                 unreadable.standardError.constData());
        QCOMPARE(folderState(folder), damaged);
    }
};

QTEST_GUILESS_MAIN(CommandLineEndToEndTest)
#include "tst_commandline_e2e.moc"
