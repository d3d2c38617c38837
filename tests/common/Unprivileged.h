#pragma once

// File permissions do not stop root, and CI runs as root: a test about them runs
// its own function again in a child process as the user nobody, with its
// temporary files in a directory nobody owns.

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace Unprivileged {

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
