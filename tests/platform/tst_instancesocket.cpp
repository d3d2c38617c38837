// The running Brimvale's socket against idle clients, a file in its place, and
// another user's process at either end.
#include "InstanceClient.h"
#include "InstanceLock.h"
#include "InstanceServer.h"
#include "Unprivileged.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// platform_helper, as another user when the test runs as root; its output.
QByteArray runHelper(const QStringList &arguments, bool otherUser = true, QProcess *keep = nullptr)
{
    const auto [program, args] =
        otherUser ? Unprivileged::command(QStringLiteral(PLATFORM_HELPER), arguments)
                  : std::pair{QStringLiteral(PLATFORM_HELPER), arguments};
    QProcess own;
    QProcess *helper = keep ? keep : &own;
    helper->start(program, args);
    const bool done = keep ? helper->waitForReadyRead(20000) : helper->waitForFinished(20000);
    return done ? helper->readLine().trimmed() : QByteArray("no answer");
}

} // namespace

class InstanceSocketTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The socket alone carries the commands here.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qunsetenv("XDG_RUNTIME_DIR");
        QVERIFY(m_dir.isValid());
    }

    // 3,000 clients that connected and said nothing held 3,000 open files.
    void clientsThatFinishNoLine_areClosed_aCommandIsAnswered()
    {
        InstanceServer server(m_dir.filePath(u"idle.socket"_s), QString(), 300ms);
        QVERIFY(server.listen().isEmpty());
        QSignalSpy received(&server, &InstanceServer::commandReceived);
        QLocalSocket silent, unfinished, finished;
        for (QLocalSocket *client : {&silent, &unfinished, &finished}) {
            client->connectToServer(server.socketPath());
            QVERIFY(client->waitForConnected(2000));
        }
        unfinished.write("tog");
        finished.write("toggle\n");
        QTRY_VERIFY_WITH_TIMEOUT(finished.canReadLine(), 2000);
        QCOMPARE(finished.readLine(), QByteArray("ok\n"));
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(unfinished.state(), QLocalSocket::UnconnectedState, 3000);
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first().first().value<InstanceCommand>(), InstanceCommand::Toggle);
    }

    // The user's own file there is not removed; the socket goes to the fallback,
    // where later starts look next.
    void regularFileAtTheSocketPath_isLeftAlone_andTheSocketMoves()
    {
        const QString usual = m_dir.filePath(u"brimvale.socket"_s);
        const QString fallback = m_dir.filePath(u"fallback.socket"_s);
        QFile file(usual);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("notes\n") == 6);
        file.close();
        InstanceServer server(usual, fallback);
        const QStringList problems = server.listen();
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().contains(usual) && problems.first().contains(fallback) &&
                     problems.first().contains(u"not a socket"_s),
                 qPrintable(problems.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("notes\n"));
        // A later start, on a thread of its own while the server's loop runs here.
        QString error;
        std::future<InstanceDelivery> sent = std::async(std::launch::async, [&] {
            return sendToRunningInstance(InstanceCommand::Show, {usual, fallback}, 2s, &error);
        });
        QTRY_VERIFY(sent.wait_for(0s) == std::future_status::ready);
        QCOMPARE(sent.get(), InstanceDelivery::Delivered);
    }

    // In a runtime folder others can write, another user may listen on the
    // socket's path, or connect to ours: neither is told or obeyed.
    void anotherUsersProcess_isNeitherToldNorObeyed()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to run a process as another user; not run: a socket held by, "
                  "or a client of, another user");
        if (const auto reason = Unprivileged::cannotRun(QStringLiteral(PLATFORM_HELPER)))
            QSKIP(qPrintable(*reason));
        const QTemporaryDir shared;
        QVERIFY(Unprivileged::handOver(shared.path()));
        QProcess squatter;
        QCOMPARE(
            runHelper({u"squat-socket"_s, shared.filePath(u"brimvale.socket"_s)}, true, &squatter),
            QByteArray("ready"));
        // --quit while the lock says one runs.
        InstanceLock lock(shared.filePath(u"brimvale.lock"_s));
        QVERIFY(lock.tryLock());
        QProcess quit;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_RUNTIME_DIR"_s, shared.path());
        env.insert(u"XDG_DATA_HOME"_s, m_dir.filePath(u"data"_s));
        quit.setProcessEnvironment(env);
        quit.start(QStringLiteral(BRIMVALE_BINARY), {u"--quit"_s});
        QVERIFY(quit.waitForFinished(20000));
        const QByteArray said = quit.readAllStandardError();
        QCOMPARE(quit.exitCode(), 1);
        QVERIFY2(said.contains("another user"), said.constData());
        QVERIFY2(!squatter.waitForReadyRead(300), squatter.readAll().constData());
        squatter.kill();
        squatter.waitForFinished();

        // Our socket opened to everyone: our own user is answered, the other not.
        InstanceServer server(shared.filePath(u"ours.socket"_s), QString());
        QVERIFY(server.listen().isEmpty());
        QVERIFY(QFile::setPermissions(server.socketPath(), QFile::Permissions(0x7777)));
        QSignalSpy received(&server, &InstanceServer::commandReceived);
        const QStringList send{u"send-line"_s, server.socketPath(), u"quit"_s};
        std::future<QByteArray> own =
            std::async(std::launch::async, runHelper, send, false, nullptr);
        QTRY_VERIFY(own.wait_for(0s) == std::future_status::ready);
        QCOMPARE(own.get(), QByteArray("ok"));
        std::future<QByteArray> other =
            std::async(std::launch::async, runHelper, send, true, nullptr);
        QTRY_VERIFY(other.wait_for(0s) == std::future_status::ready);
        QCOMPARE(other.get(), QByteArray("closed"));
        QCOMPARE(received.size(), 1);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(InstanceSocketTest)
#include "tst_instancesocket.moc"
