#pragma once

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <sys/stat.h>
#include <unistd.h>

// A private headless sway for the Wayland tests, with a terminal window (foot)
// holding the focus so that nothing of ours ever has it.
//
// sway refuses to run as root: then it runs as nobody (65534) in a runtime
// directory of its own that nobody owns. Clients connect by the socket's full
// path, so they may keep their own XDG_RUNTIME_DIR. scripts/test.sh names the
// compositor in BRIMVALE_TEST_COMPOSITOR; without it the tests skip.
class SwaySession final
{
public:
    SwaySession()
    {
        m_runtime.setAutoRemove(true);
        if (::geteuid() == 0 &&
            ::chown(QFile::encodeName(m_runtime.path()).constData(), nobody, nobody) != 0)
            qWarning("cannot hand the compositor's runtime directory to nobody");
        ::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700);
        QFile config(configPath());
        if (config.open(QIODevice::WriteOnly))
            config.write("xwayland disable\noutput HEADLESS-1 resolution 1280x720\n");
        config.close();
        QFile::setPermissions(configPath(), QFile::ReadOwner | QFile::ReadOther | QFile::ReadGroup |
                                                QFile::WriteOwner);
    }
    ~SwaySession() { stop(); }
    SwaySession(const SwaySession &) = delete;
    SwaySession &operator=(const SwaySession &) = delete;

    // Why the tests cannot run here, or nullopt when they can.
    static std::optional<QString> unavailable()
    {
        if (qEnvironmentVariable("BRIMVALE_TEST_COMPOSITOR") != QLatin1StringView("sway"))
            return QStringLiteral("needs a Wayland test compositor: BRIMVALE_TEST_COMPOSITOR=sway "
                                  "is not set (scripts/test.sh sets it)");
        for (const char *tool : {"sway", "swaymsg", "foot", "wl-copy", "wl-paste", "setpriv"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return QStringLiteral("%1 is missing: run scripts/install-deps.sh")
                    .arg(QLatin1StringView(tool));
        }
        return std::nullopt;
    }

    // Starts sway and a focused terminal in it; true once the terminal has the focus.
    bool start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK", "DBUS_SESSION_BUS_ADDRESS"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("HOME"), m_runtime.path());
        env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        m_sway.setProcessEnvironment(env);
        m_sway.setStandardOutputFile(QProcess::nullDevice());
        m_sway.setStandardErrorFile(QProcess::nullDevice());
        if (::geteuid() == 0) {
            m_sway.setProgram(QStringLiteral("setpriv"));
            m_sway.setArguments({QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                 QStringLiteral("--clear-groups"), QStringLiteral("sway"),
                                 QStringLiteral("-c"), configPath()});
        } else {
            m_sway.setProgram(QStringLiteral("sway"));
            m_sway.setArguments({QStringLiteral("-c"), configPath()});
        }
        m_sway.start();
        if (!m_sway.waitForStarted())
            return false;
        if (!QTest::qWaitFor([this] { return !socketPath().isEmpty() && !ipcPath().isEmpty(); },
                             10000))
            return false;
        return startFocusedWindow();
    }

    // Kills sway at once, as a crash would; its clients lose their connection.
    void kill()
    {
        m_foot.kill();
        m_foot.waitForFinished();
        if (m_sway.state() != QProcess::NotRunning) {
            m_sway.kill();
            m_sway.waitForFinished();
        }
        // A dead compositor leaves its sockets behind. The next one replaces the
        // Wayland socket itself, but names its IPC socket after its own pid.
        const QStringList ipc =
            QDir(m_runtime.path()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        for (const QString &name : ipc)
            QFile::remove(m_runtime.filePath(name));
    }

    void stop()
    {
        if (m_sway.state() == QProcess::NotRunning)
            return;
        m_foot.terminate();
        m_foot.waitForFinished(2000);
        m_sway.terminate();
        if (!m_sway.waitForFinished(5000))
            kill();
    }

    // The compositor's socket by its full path, for WAYLAND_DISPLAY.
    QString socketPath() const
    {
        const QStringList sockets =
            QDir(m_runtime.path())
                .entryList({QStringLiteral("wayland-*")}, QDir::System)
                .filter(QRegularExpression(QStringLiteral("^wayland-\\d+$")));
        return sockets.size() == 1 ? m_runtime.filePath(sockets.constFirst()) : QString();
    }

    // The environment clients need: the compositor's socket, nothing of X11's.
    QProcessEnvironment clientEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), socketPath());
        return env;
    }

    // Another program copies `text` with wl-copy, which keeps offering it from the
    // background until someone else copies.
    // `type` forces the MIME type where wl-copy would guess another from the bytes.
    bool copy(const QByteArray &text, const QString &type = {}) const
    {
        QProcess copier;
        copier.setProcessEnvironment(clientEnvironment());
        copier.setStandardOutputFile(QProcess::nullDevice());
        copier.start(QStringLiteral("wl-copy"),
                     type.isEmpty() ? QStringList{} : QStringList{QStringLiteral("--type"), type});
        if (!copier.waitForStarted())
            return false;
        copier.write(text);
        copier.closeWriteChannel();
        return copier.waitForFinished(10000) && copier.exitCode() == 0;
    }

    // What another program pastes: the clipboard's text, or nullopt when it holds
    // none. `serveEvents` keeps this process's event loop running meanwhile, for
    // a test that may itself be the owner.
    std::optional<QByteArray> paste(bool serveEvents = false) const
    {
        QProcess paster;
        paster.setProcessEnvironment(clientEnvironment());
        paster.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
        if (!paster.waitForStarted())
            return std::nullopt;
        const bool done =
            serveEvents
                ? QTest::qWaitFor([&] { return paster.state() == QProcess::NotRunning; }, 10000)
                : paster.waitForFinished(10000);
        if (!done) {
            QTest::qFail("wl-paste got no answer from the clipboard's owner", __FILE__, __LINE__);
            paster.kill();
            paster.waitForFinished();
            return std::nullopt;
        }
        if (paster.exitStatus() != QProcess::NormalExit || paster.exitCode() != 0)
            return std::nullopt;
        return paster.readAllStandardOutput();
    }

private:
    static constexpr uid_t nobody = 65534;

    QString configPath() const { return m_runtime.filePath(QStringLiteral("sway.conf")); }

    QString ipcPath() const
    {
        const QStringList sockets =
            QDir(m_runtime.path()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        return sockets.size() == 1 ? m_runtime.filePath(sockets.constFirst()) : QString();
    }

    bool startFocusedWindow()
    {
        QProcessEnvironment env = clientEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        m_foot.setProcessEnvironment(env);
        m_foot.setStandardOutputFile(QProcess::nullDevice());
        m_foot.setStandardErrorFile(QProcess::nullDevice());
        m_foot.start(QStringLiteral("foot"), {QStringLiteral("--app-id"), focusAppId(),
                                              QStringLiteral("sleep"), QStringLiteral("600")});
        if (!m_foot.waitForStarted())
            return false;
        return QTest::qWaitFor([this] { return focusedAppId() == focusAppId(); }, 10000);
    }

    static QString focusAppId() { return QStringLiteral("brimvale-test-focus"); }

    // The app id of the window sway says has the focus.
    QString focusedAppId() const
    {
        QProcess swaymsg;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SWAYSOCK"), ipcPath());
        swaymsg.setProcessEnvironment(env);
        swaymsg.start(QStringLiteral("swaymsg"),
                      {QStringLiteral("-t"), QStringLiteral("get_tree")});
        if (!swaymsg.waitForFinished(5000))
            return {};
        return focusedIn(QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).object());
    }

    static QString focusedIn(const QJsonObject &node)
    {
        if (node.value(QStringLiteral("focused")).toBool())
            return node.value(QStringLiteral("app_id")).toString();
        for (const char *children : {"nodes", "floating_nodes"}) {
            const QJsonArray array = node.value(QLatin1StringView(children)).toArray();
            for (const QJsonValue &child : array) {
                const QString found = focusedIn(child.toObject());
                if (!found.isEmpty())
                    return found;
            }
        }
        return {};
    }

    QTemporaryDir m_runtime;
    QProcess m_sway;
    QProcess m_foot;
};
