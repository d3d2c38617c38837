#include "DataControlConnection.h"
#include "DataControlTestServer.h"
#include "QtClipboard.h"
#include "SystemClipboard.h"
#include "WaylandClipboard.h"
#include "XcbClipboard.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The data-control clipboard over each protocol, against a small compositor of
// ours: Debian 12 has no compositor that offers the ext one. Another connection
// in this process plays the other program.
class DataControlProtocolsTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        m_display = qgetenv("DISPLAY");
    }

    void cleanup()
    {
        if (!m_display.isEmpty())
            qputenv("DISPLAY", m_display);
    }

    void readWriteClear_data()
    {
        QTest::addColumn<bool>("ext");
        QTest::addColumn<bool>("wlr");
        QTest::addColumn<QByteArray>("expectedManager");
        QTest::newRow("ext alone") << true << false << QByteArray("ext_data_control_manager_v1");
        QTest::newRow("wlroots' alone")
            << false << true << QByteArray("zwlr_data_control_manager_v1");
        QTest::newRow("both: ext preferred")
            << true << true << QByteArray("ext_data_control_manager_v1");
    }

    void readWriteClear()
    {
        QFETCH(bool, ext);
        QFETCH(bool, wlr);
        QFETCH(QByteArray, expectedManager);
        const QByteArray socket = "wayland-test-" + QByteArray::number(++m_servers);
        DataControlTestServer server(socket, {.ext = ext, .wlr = wlr});
        QVERIFY(server.isListening());
        qputenv("WAYLAND_DISPLAY", socket);

        std::unique_ptr<Clipboard> clipboard = createSystemClipboard().clipboard;
        auto *wayland = qobject_cast<WaylandClipboard *>(clipboard.get());
        QVERIFY(wayland);
        QCOMPARE(QByteArray(wayland->protocolName()), expectedManager);
        auto opened = DataControlConnection::open();
        auto *other = std::get_if<std::unique_ptr<DataControlConnection>>(&opened);
        QVERIFY(other);
        DataControlConnection &program = **other;
        QCOMPARE(QByteArray(program.protocolName()), expectedManager);

        // Another program copies: we read its text.
        const QByteArray copied = "copied over " + expectedManager;
        connect(&program, &DataControlConnection::sendRequested, this,
                [&](const QByteArray &type, int fd) {
                    if (type == "text/plain;charset=utf-8") [[maybe_unused]]
                        const ssize_t put =
                            ::write(fd, copied.constData(), std::size_t(copied.size()));
                    ::close(fd);
                });
        program.setOwnSelection({"text/plain", "text/plain;charset=utf-8"});
        QTRY_COMPARE_WITH_TIMEOUT(clipboard->readText(), std::optional(QString::fromUtf8(copied)),
                                  5000);

        // We copy: the other program is offered our text and reads it.
        DataControlConnection::OfferKey offered = nullptr;
        connect(&program, &DataControlConnection::selectionChanged, this,
                [&](DataControlConnection::OfferKey offer) { offered = offer; });
        clipboard->writeText(u"written back"_s);
        QTRY_VERIFY_WITH_TIMEOUT(offered && program.offerTypes(offered).contains("text/plain"),
                                 5000);
        int fds[2];
        QCOMPARE(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
        program.receive(offered, "text/plain", fds[1]);
        QByteArray pasted;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                char buffer[256];
                const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
                if (got > 0)
                    pasted.append(buffer, qsizetype(got));
                return got == 0;
            }(),
            5000);
        ::close(fds[0]);
        QCOMPARE(pasted, QByteArray("written back"));
        QCOMPARE(clipboard->readText(), std::optional(u"written back"_s));

        // We clear: the other program sees no selection.
        clipboard->clear();
        QTRY_COMPARE_WITH_TIMEOUT(offered, nullptr, 5000);
        QCOMPARE(clipboard->readText(), std::nullopt);
    }

    void noDataControl_qtClipboard_saidOnce()
    {
        const QByteArray socket = "wayland-test-" + QByteArray::number(++m_servers);
        DataControlTestServer server(socket, {});
        QVERIFY(server.isListening());
        qputenv("WAYLAND_DISPLAY", socket);
        // Without XWayland there is only Qt's clipboard.
        qunsetenv("DISPLAY");
        QTest::ignoreMessage(QtWarningMsg,
                             "the Wayland compositor offers no data-control manager: on this "
                             "desktop Brimvale records copies only while it can see them (while "
                             "one of its windows has the focus)");
        const SystemClipboard chosen = createSystemClipboard();
        QVERIFY(qobject_cast<QtClipboard *>(chosen.clipboard.get()));
        QCOMPARE(chosen.reach, ClipboardReach::OnlyWhileSeen);
    }

    void noCompositor_qtClipboard_reachUnchanged()
    {
        // A WAYLAND_DISPLAY left over in an X11 session names no compositor.
        qputenv("WAYLAND_DISPLAY", "wayland-nobody-listens");
        QTest::ignoreMessage(QtWarningMsg, "cannot connect to the Wayland compositor; using "
                                           "the X11 or Qt clipboard");
        const SystemClipboard chosen = createSystemClipboard();
        QVERIFY(qobject_cast<QtClipboard *>(chosen.clipboard.get()));
        QCOMPARE(chosen.reach, ClipboardReach::Everything);
    }

    // With an X server at DISPLAY standing in for XWayland, which is told of every
    // new selection on a compositor without data-control.
    void noDataControl_x11Server_readsThroughIt()
    {
        if (m_display.isEmpty())
            QSKIP("needs an X server at DISPLAY to stand in for XWayland");
        if (QStandardPaths::findExecutable(u"xclip"_s).isEmpty())
            QSKIP("needs xclip");
        const QByteArray socket = "wayland-test-" + QByteArray::number(++m_servers);
        DataControlTestServer server(socket, {});
        QVERIFY(server.isListening());
        qputenv("WAYLAND_DISPLAY", socket);
        QTest::failOnWarning(QRegularExpression(u"records copies only"_s));
        const SystemClipboard chosen = createSystemClipboard();
        const std::unique_ptr<Clipboard> &clipboard = chosen.clipboard;
        QVERIFY(qobject_cast<XcbClipboard *>(clipboard.get()));
        QCOMPARE(chosen.reach, ClipboardReach::Everything);

        // xclip forks and offers the text until the next owner comes.
        const QString copied = u"copied on X11 beside a Wayland compositor"_s;
        QProcess xclip;
        xclip.start(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-i"_s});
        xclip.write(copied.toUtf8());
        xclip.closeWriteChannel();
        QVERIFY(xclip.waitForFinished(10000));
        QTRY_COMPARE_WITH_TIMEOUT(clipboard->readText(), std::optional<QString>(copied), 10000);
    }

private:
    QByteArray m_display;
    QTemporaryDir m_runtime;
    int m_servers = 0;
};

QTEST_MAIN(DataControlProtocolsTest)
#include "tst_datacontrolprotocols.moc"
