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

// `program arguments` as user(): the program and arguments to give QProcess. The
// one way these tests drop privileges; call it only once cannotRun() said nothing.
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

// Why user() cannot run `program`, for the test's skip message; nullopt when it
// can. A build under a folder only root may enter (a checkout in /root) cannot be
// run as anyone else.
inline std::optional<QString> cannotRun(const QString &program)
{
    if (!user())
        return unavailableReason();
    const auto [runner, arguments] =
        command(QStringLiteral("/usr/bin/test"), {QStringLiteral("-x"), program});
    QProcess test;
    test.start(runner, arguments);
    if (test.waitForFinished(10000) && test.exitStatus() == QProcess::NormalExit &&
        test.exitCode() == 0)
        return std::nullopt;
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

// Whether a test function that must not run as root has to go through run().
inline bool needed()
{
    return ::geteuid() == 0;
}

// Runs the test function `function` of this executable again through command(),
// with the data row now running if there is one and its temporary files in a
// folder handed over to user(), and fails unless it passed there. Skips, saying
// what did not run, when that cannot be done.
inline void run(const char *function)
{
    const QString self = QCoreApplication::applicationFilePath();
    if (const std::optional<QString> reason = cannotRun(self))
        QSKIP(qPrintable(*reason));
    const QTemporaryDir home;
    QVERIFY(home.isValid());
    QVERIFY(handOver(home.path()));
    const QString tag = QString::fromUtf8(QTest::currentDataTag());
    const auto [program, arguments] =
        command(self, {QString::fromLatin1(function) + (tag.isEmpty() ? QString() : u':' + tag)});
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), home.path());
    environment.insert(QStringLiteral("HOME"), home.path());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(program, arguments);
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    QVERIFY(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             output.constData());
    const QRegularExpression passed(
        QStringLiteral("PASS   : \\w+::%1\\(%2\\)")
            .arg(QRegularExpression::escape(QLatin1StringView(function)),
                 QRegularExpression::escape(tag)));
    QVERIFY2(passed.match(QString::fromLocal8Bit(output)).hasMatch(), output.constData());
}

} // namespace Unprivileged
