#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <pwd.h>
#include <unistd.h>

// File permissions mean nothing to root, and CI runs as root: a test about them
// runs its subject as an unprivileged user, through setpriv as "nobody" when the
// test itself is root.
namespace Unprivileged {

struct User
{
    uid_t uid;
    gid_t gid;
};

// Who the command of command() runs as; nullopt when no unprivileged user can be
// had (root without setpriv or without a "nobody" account).
inline std::optional<User> user()
{
    if (::geteuid() != 0)
        return User{::geteuid(), ::getegid()};
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        return std::nullopt;
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return std::nullopt;
    return User{nobody->pw_uid, nobody->pw_gid};
}

// Why user() has none, for the test's skip message.
inline QString unavailableReason()
{
    return QStringLiteral("running as root without setpriv or a \"nobody\" user, so the test "
                          "cannot drop privileges");
}

// `program arguments` as user(): the program and arguments to give QProcess.
inline std::pair<QString, QStringList> command(const QString &program, const QStringList &arguments)
{
    if (::geteuid() != 0)
        return {program, arguments};
    const std::optional<User> who = user();
    const QString uid = QString::number(who ? who->uid : 65534);
    const QString gid = QString::number(who ? who->gid : 65534);
    return {QStringLiteral("setpriv"),
            QStringList{QStringLiteral("--reuid=") + uid, QStringLiteral("--regid=") + gid,
                        QStringLiteral("--clear-groups"), QStringLiteral("--")} +
                QStringList{program} + arguments};
}

// Whether user() may run `program`: a build under a folder only root may enter
// (a checkout in /root) cannot be run as anyone else.
inline bool canExecute(const QString &program)
{
    if (!user())
        return false;
    const auto [runner, arguments] =
        command(QStringLiteral("/usr/bin/test"), {QStringLiteral("-x"), program});
    QProcess test;
    test.start(runner, arguments);
    return test.waitForFinished(10000) && test.exitStatus() == QProcess::NormalExit &&
           test.exitCode() == 0;
}

inline QString cannotExecuteReason(const QString &program)
{
    return QStringLiteral("the unprivileged user cannot run %1 (a parent folder is closed to "
                          "them), so the test is not run")
        .arg(program);
}

// Gives `path` to user(), so that it can work there; true when it is theirs.
inline bool handOver(const QString &path)
{
    const std::optional<User> who = user();
    if (!who)
        return false;
    if (::geteuid() != 0)
        return true;
    return ::chown(QFile::encodeName(path).constData(), who->uid, who->gid) == 0;
}

// The same for a test function: runs it again in a child process as nobody,
// with its temporary files in a directory nobody owns.
inline bool needed()
{
    return geteuid() == 0;
}

// Runs the test function `function` of this executable as nobody, with the data
// row now running if there is one, and fails unless it passed there. Skips,
// saying what did not run, when that cannot be done.
inline void run(const char *function)
{
    const QString tag = QString::fromUtf8(QTest::currentDataTag());
    const QTemporaryDir home;
    QVERIFY(home.isValid());
    constexpr uid_t nobody = 65534;
    QVERIFY(::chown(QFile::encodeName(home.path()).constData(), nobody, nobody) == 0);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), home.path());
    environment.insert(QStringLiteral("HOME"), home.path());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                 QStringLiteral("--clear-groups"), QStringLiteral("--"),
                 QCoreApplication::applicationFilePath(),
                 QString::fromLatin1(function) + (tag.isEmpty() ? QString() : u':' + tag)});
    if (!child.waitForStarted())
        QSKIP("running as root, and setpriv cannot be started to drop privileges: this "
              "test did not run");
    QVERIFY(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    if (child.exitCode() == 127 || child.exitCode() == 126)
        QSKIP(qPrintable(QStringLiteral("running as root, and the user nobody cannot run this "
                                        "test: it did not run (%1)")
                             .arg(QString::fromLocal8Bit(output.trimmed()))));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             output.constData());
    const QRegularExpression passed(
        QStringLiteral("PASS   : \\w+::%1\\(%2\\)")
            .arg(QRegularExpression::escape(QLatin1StringView(function)),
                 QRegularExpression::escape(tag)));
    QVERIFY2(passed.match(QString::fromLocal8Bit(output)).hasMatch(), output.constData());
}

} // namespace Unprivileged
