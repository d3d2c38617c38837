#pragma once

#include "HistoryStore.h"
#include "SqliteHistoryStore.h"
#include "SqliteStoreFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The history in the store file at `path`, read over a connection of its own as
// the program's next start would read it.
inline HistoryRecord readStoredHistory(const QString &path)
{
    SqliteStoreFile file(path);
    SqliteHistoryStore history(file);
    return history.load();
}

// The real program and real clipboard clients on the X server named by DISPLAY,
// with the user's data folder in a temporary directory.
class E2eSession final
{
public:
    E2eSession()
    {
        QFile::setPermissions(m_home.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.path());
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        // The autostart entry a first start makes stays in the test's home too.
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        // The X11 clipboard unless a test names a compositor itself.
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    ~E2eSession() { stopBrimvale(); }
    E2eSession(const E2eSession &) = delete;
    E2eSession &operator=(const E2eSession &) = delete;

    static bool haveDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY"); }

    QString storePath() const
    {
        return m_home.filePath(QStringLiteral("data/brimvale/brimvale.sqlite3"));
    }

    // Starts brimvale and waits until its store exists and it had time to take the
    // clipboard's change notices.
    bool startBrimvale(const QStringList &arguments = {})
    {
        // Whatever earlier tests left on the clipboard is replaced by something that
        // is not text, so the first tick records nothing.
        offerNonText();
        m_brimvale.setProcessEnvironment(m_env);
        m_brimvale.setProgram(QStringLiteral(BRIMVALE_BINARY));
        m_brimvale.setArguments(arguments);
        if (m_errorFile.isEmpty())
            m_brimvale.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        else
            m_brimvale.setStandardErrorFile(m_errorFile, QIODevice::Append);
        m_brimvale.start();
        if (!m_brimvale.waitForStarted())
            return false;
        for (int i = 0; i < 100 && !QFile::exists(storePath()); ++i)
            QTest::qWait(50);
        QTest::qWait(500);
        return QFile::exists(storePath()) && m_brimvale.state() == QProcess::Running;
    }

    void stopBrimvale()
    {
        if (m_brimvale.state() == QProcess::NotRunning)
            return;
        m_brimvale.terminate();
        if (!m_brimvale.waitForFinished(5000)) {
            m_brimvale.kill();
            m_brimvale.waitForFinished();
        }
    }

    QProcess &brimvale() { return m_brimvale; }
    void setEnvironmentValue(const QString &name, const QString &value)
    {
        m_env.insert(name, value);
    }
    // Where brimvale's standard error goes from its next start on, instead of ours.
    void setErrorFile(const QString &path) { m_errorFile = path; }
    const QProcessEnvironment &environment() const { return m_env; }
    void setEnvironmentVariable(const QString &name, const QString &value)
    {
        m_env.insert(name, value);
    }
    QString homePath() const { return m_home.path(); }

    // Another program copies `text`: xclip keeps offering it until someone else
    // owns the clipboard.
    static bool copyWithXclip(const QByteArray &text)
    {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"),
                                              QStringLiteral("clipboard"), QStringLiteral("-i")});
        if (!xclip.waitForStarted())
            return false;
        xclip.write(text);
        xclip.closeWriteChannel();
        return xclip.waitForFinished() && xclip.exitCode() == 0;
    }

    static bool offerNonText()
    {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"),
                    {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                     QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-i")});
        if (!xclip.waitForStarted())
            return false;
        xclip.write(QByteArray("\x89PNG not really", 16));
        xclip.closeWriteChannel();
        return xclip.waitForFinished() && xclip.exitCode() == 0;
    }

    // What the clipboard offers as text, or nullopt when it offers none.
    static std::optional<QByteArray> pasteWithXclip() { return paste(false); }

    // As pasteWithXclip(), for a test that may own the clipboard itself: events are
    // handled while xclip waits, so the test process can answer xclip's request.
    static std::optional<QByteArray> pasteWithXclipServingEvents() { return paste(true); }

    QStringList storedList(const QString &key) const
    {
        return readStoredHistory(storePath()).lists.value(key).texts();
    }

private:
    static std::optional<QByteArray> paste(bool serveEvents)
    {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"),
                                              QStringLiteral("clipboard"), QStringLiteral("-o")});
        if (!xclip.waitForStarted())
            return std::nullopt;
        const int timeoutMs = 10000;
        const bool answered =
            serveEvents
                ? QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, timeoutMs)
                : xclip.waitForFinished(timeoutMs);
        if (!answered) {
            // No answer is not an empty clipboard: a test expecting one must not pass.
            QTest::qFail("xclip -o got no answer from the clipboard's owner", __FILE__, __LINE__);
            xclip.kill();
            xclip.waitForFinished();
            return std::nullopt;
        }
        if (xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
            return std::nullopt;
        return xclip.readAllStandardOutput();
    }

    QTemporaryDir m_home;
    QProcessEnvironment m_env;
    QString m_errorFile;
    QProcess m_brimvale;
};
