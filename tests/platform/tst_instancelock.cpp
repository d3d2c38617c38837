// The instance lock against what a crash, a full disk, another user or a stray
// link leaves at its path.
#include "InstanceLock.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                        QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

QFile::Permissions modeOf(const QString &path)
{
    return QFileInfo(path).permissions() & everyone;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// platform_helper try-lock as an unprivileged user: its one line and exit code.
struct HelperResult
{
    QByteArray line;
    int exitCode = -1;
};

HelperResult tryLockUnprivileged(const QString &path)
{
    const auto [program, arguments] =
        Unprivileged::command(QStringLiteral(PLATFORM_HELPER), {u"try-lock"_s, path});
    QProcess helper;
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    helper.start(program, arguments);
    if (!helper.waitForFinished(20000))
        return {};
    return {helper.readAllStandardOutput().trimmed(), helper.exitCode()};
}

} // namespace

class InstanceLockTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(u"brimvale.lock"_s);
    }

    void cleanup() { m_dir.reset(); }

    // What a power cut or a full disk leaves: no process is named, none holds it.
    void emptyOrGarbageLockFile_isTakenOver_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\x01\xff\x7fnot a pid\n\0\0", 14);
        QTest::newRow("truncated pid") << QByteArray("12");
        // A live process, but not one that holds the lock.
        QTest::newRow("pid of init") << QByteArray("1\n");
        QTest::newRow("own pid") << QByteArray::number(QCoreApplication::applicationPid());
    }

    void emptyOrGarbageLockFile_isTakenOver()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(m_path, content));
        InstanceLock lock(m_path);
        QVERIFY2(lock.tryLock(), qPrintable(lock.errorString()));
        QCOMPARE(lock.state(), InstanceLock::State::Locked);
        QCOMPARE(readFile(m_path).trimmed(),
                 QByteArray::number(QCoreApplication::applicationPid()));
        // A second taker in the same state of things is refused, and told why.
        InstanceLock second(m_path);
        QVERIFY(!second.tryLock());
        QCOMPARE(second.state(), InstanceLock::State::HeldByAnother);
        QVERIFY2(second.errorString().startsWith(u"Brimvale is already running"_s),
                 qPrintable(second.errorString()));
    }

    void lockFile_isOwnerOnly_whateverTheUmask_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("000") << 0;
        QTest::newRow("022") << 022;
        QTest::newRow("277") << 0277;
    }

    void lockFile_isOwnerOnly_whateverTheUmask()
    {
        QFETCH(int, mask);
        const mode_t saved = ::umask(static_cast<mode_t>(mask));
        InstanceLock lock(m_path);
        const bool locked = lock.tryLock();
        ::umask(saved);
        QVERIFY2(locked, qPrintable(lock.errorString()));
        QCOMPARE(modeOf(m_path), QFile::ReadOwner | QFile::WriteOwner);
    }

    void leftOverLockFileOpenToOthers_isNarrowed()
    {
        QVERIFY(writeFile(m_path, "4242\n"));
        QVERIFY(QFile::setPermissions(
            m_path, everyone & ~(QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther)));
        InstanceLock lock(m_path);
        QVERIFY2(lock.tryLock(), qPrintable(lock.errorString()));
        QCOMPARE(modeOf(m_path), QFile::ReadOwner | QFile::WriteOwner);
    }

    // A link could make us create or truncate any file the user can write.
    void symlinkAtLockPath_isNotFollowed_andTheFailureNamesPathAndReason()
    {
        const QString target = m_dir->filePath(u"notes.txt"_s);
        QVERIFY(writeFile(target, "the user's own notes\n"));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(QFile::link(target, m_path));

        InstanceLock lock(m_path);
        QVERIFY(!lock.tryLock());
        QCOMPARE(lock.state(), InstanceLock::State::Failed);
        QVERIFY2(lock.errorString().contains(m_path), qPrintable(lock.errorString()));
        QVERIFY2(lock.errorString().contains(u"symbolic link"_s), qPrintable(lock.errorString()));
        QVERIFY2(!lock.errorString().contains(u"already running"_s),
                 qPrintable(lock.errorString()));
        QCOMPARE(readFile(target), QByteArray("the user's own notes\n"));
        QCOMPARE(modeOf(target),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        QVERIFY(QFileInfo(m_path).isSymLink());
    }

    void directoryAtLockPath_failsWithPathAndReason()
    {
        QVERIFY(QDir().mkdir(m_path));
        InstanceLock lock(m_path);
        QVERIFY(!lock.tryLock());
        QCOMPARE(lock.state(), InstanceLock::State::Failed);
        QVERIFY2(lock.errorString().contains(m_path), qPrintable(lock.errorString()));
    }

    // Left by a start under another user's name (sudo keeps XDG_RUNTIME_DIR): it
    // names no Brimvale of ours. Run as an unprivileged user, who cannot even
    // open root's 0600 file.
    void lockFileOfAnotherUser_isTakenOver()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to leave a lock file of another user; not run: taking over "
                  "another user's lock file");
        if (const auto reason = Unprivileged::cannotRun(QStringLiteral(PLATFORM_HELPER)))
            QSKIP(qPrintable(*reason));
        QVERIFY(writeFile(m_path, "1\n"));
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(Unprivileged::handOver(m_dir->path()));

        const HelperResult result = tryLockUnprivileged(m_path);
        QCOMPARE(result.line, QByteArray("locked"));
        QCOMPARE(result.exitCode, 0);
        // Released by the helper on its way out.
        QVERIFY(!QFileInfo::exists(m_path));
    }

    // The same, as root over an unprivileged user's file: root can open it, and
    // still takes it over rather than lock a file someone else owns.
    void lockFileOfAnotherUser_isReplacedBeforeLocking()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to leave a lock file of another user; not run: replacing "
                  "another user's lock file");
        const std::optional<Unprivileged::User> other = Unprivileged::user();
        if (!other)
            QSKIP(qPrintable(Unprivileged::unavailableReason()));
        QVERIFY(writeFile(m_path, "1\n"));
        QVERIFY(::chown(QFile::encodeName(m_path).constData(), other->uid, other->gid) == 0);
        InstanceLock lock(m_path);
        QVERIFY2(lock.tryLock(), qPrintable(lock.errorString()));
        QCOMPARE(QFileInfo(m_path).ownerId(), ::geteuid());
    }

    // No XDG_RUNTIME_DIR and a data folder that cannot be written: the failure
    // says where and why, not "already running".
    void unwritableFolder_failureNamesPathAndReason()
    {
        if (const auto reason = Unprivileged::cannotRun(QStringLiteral(PLATFORM_HELPER)))
            QSKIP(qPrintable(*reason));
        const QString folder = m_dir->filePath(u"readonly"_s);
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(Unprivileged::handOver(m_dir->path()));
        QVERIFY(Unprivileged::handOver(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const QString path = folder + u"/brimvale.lock"_s;

        const HelperResult result = tryLockUnprivileged(path);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.line.contains(QFile::encodeName(path)), result.line.constData());
        QVERIFY2(result.line.contains("Permission denied"), result.line.constData());
        QVERIFY2(!result.line.contains("already running"), result.line.constData());
        QVERIFY(!QFileInfo::exists(path));
    }

    void heldLock_isReportedAsRunning_withItsProcess()
    {
        QProcess holder;
        holder.start(QStringLiteral(PLATFORM_HELPER), {u"hold-lock"_s, m_path});
        QVERIFY(holder.waitForReadyRead(20000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("ready"));

        InstanceLock lock(m_path);
        QVERIFY(!lock.tryLock());
        QCOMPARE(lock.state(), InstanceLock::State::HeldByAnother);
        QVERIFY2(lock.errorString().contains(QString::number(holder.processId())),
                 qPrintable(lock.errorString()));
        holder.kill();
        QVERIFY(holder.waitForFinished(20000));
        QVERIFY2(lock.tryLock(), qPrintable(lock.errorString()));
    }

    // The holder removes the file as it lets go; a start that opened the old file
    // just before must not lock it (it is no longer at the path) beside a start
    // that makes a new one.
    void releasedLock_removesItsFile_andIsTakenAgain()
    {
        {
            InstanceLock first(m_path);
            QVERIFY(first.tryLock());
            QVERIFY(QFileInfo::exists(m_path));
        }
        QVERIFY(!QFileInfo::exists(m_path));
        InstanceLock again(m_path);
        QVERIFY(again.tryLock());
        again.unlock();
        QVERIFY(!QFileInfo::exists(m_path));
        QCOMPARE(again.state(), InstanceLock::State::Unlocked);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(InstanceLockTest)
#include "tst_instancelock.moc"
