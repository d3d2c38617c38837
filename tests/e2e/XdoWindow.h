#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>

#include <optional>
#include <utility>

// A top-level window of another program, driven through the X server with
// xdotool: keys reach the program as a user's keystrokes would, through the
// window that holds the input focus.
class XdoWindow final
{
public:
    static bool toolFound() { return !QStandardPaths::findExecutable(tool()).isEmpty(); }

    // The mapped window of process `pid` whose title is exactly `title`, waiting
    // up to `timeoutMs` for it to appear.
    static std::optional<XdoWindow> find(qint64 pid, const QString &title, int timeoutMs = 5000)
    {
        const QStringList query{
            QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
            QStringLiteral("--pid"),  QString::number(pid),    QStringLiteral("--name"),
            u'^' + title + u'$'};
        std::optional<XdoWindow> found;
        const bool seen = QTest::qWaitFor(
            [&] {
                QByteArray output;
                if (!run(query, &output))
                    return false;
                const QList<QByteArray> ids = output.trimmed().split('\n');
                // More than one match would make every later key ambiguous.
                if (ids.size() != 1 || ids.constFirst().isEmpty())
                    return false;
                found = XdoWindow(QString::fromLatin1(ids.constFirst()));
                return true;
            },
            timeoutMs);
        return seen ? found : std::nullopt;
    }

    QString id() const { return m_id; }

    // Gives the window the input focus and waits until the server reports it.
    // With no window manager running this is also what activates the window.
    bool focus() const
    {
        return run({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_id});
    }

    // Presses and releases each key (xdotool key names: "Tab", "ctrl+c", ...).
    bool key(const QStringList &keys) const
    {
        return run(QStringList{QStringLiteral("key"), QStringLiteral("--window"), m_id} + keys);
    }

    bool type(const QString &text) const
    {
        return run({QStringLiteral("type"), QStringLiteral("--window"), m_id, text});
    }

private:
    explicit XdoWindow(QString id) : m_id(std::move(id)) {}

    static QString tool() { return QStringLiteral("xdotool"); }

    static bool run(const QStringList &arguments, QByteArray *output = nullptr)
    {
        QProcess xdotool;
        xdotool.setProcessChannelMode(output ? QProcess::ForwardedErrorChannel
                                             : QProcess::ForwardedChannels);
        xdotool.start(tool(), arguments);
        if (!xdotool.waitForFinished(10000) || xdotool.exitStatus() != QProcess::NormalExit)
            return false;
        if (output)
            *output = xdotool.readAllStandardOutput();
        return xdotool.exitCode() == 0;
    }

    QString m_id;
};
