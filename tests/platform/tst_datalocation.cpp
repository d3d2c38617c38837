// Where the per-user files go, and the private directory they live in.
#include "DataLocation.h"
#include "InstanceLock.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr QFile::Permissions ownerAll = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions everyone = ownerAll | QFile::ReadGroup | QFile::WriteGroup |
                                        QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                        QFile::ExeOther;

QFile::Permissions modeOf(const QString &path)
{
    return QFileInfo(path).permissions() & everyone;
}

} // namespace

class DataLocationTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_savedHome = qgetenv("HOME");
        m_savedDataHome = qgetenv("XDG_DATA_HOME");
        m_savedRuntimeDir = qgetenv("XDG_RUNTIME_DIR");
        qputenv("HOME", m_dir->filePath(u"home"_s).toLocal8Bit());
    }

    void cleanup()
    {
        restore("HOME", m_savedHome);
        restore("XDG_DATA_HOME", m_savedDataHome);
        restore("XDG_RUNTIME_DIR", m_savedRuntimeDir);
        m_dir.reset();
    }

    // Data directory

    void dataDir_followsXdgDataHome_whenAbsolute()
    {
        qputenv("XDG_DATA_HOME", m_dir->filePath(u"xdg/data"_s).toLocal8Bit());
        QCOMPARE(brimvaleDataDir(), m_dir->filePath(u"xdg/data/brimvale"_s));
        QCOMPARE(brimvaleStoreFile(), m_dir->filePath(u"xdg/data/brimvale/brimvale.sqlite3"_s));
    }

    void dataDir_unsetOrRelativeXdgDataHome_fallsBackToLocalShare()
    {
        const QString expected = m_dir->filePath(u"home/.local/share/brimvale"_s);
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(brimvaleDataDir(), expected);
        qputenv("XDG_DATA_HOME", "");
        QCOMPARE(brimvaleDataDir(), expected);
        qputenv("XDG_DATA_HOME", "relative/data");
        QCOMPARE(brimvaleDataDir(), expected);
    }

    void ensurePrivateDir_createsMissingParents_lastOneOwnerOnly()
    {
        const QString path = m_dir->filePath(u"a/b/brimvale"_s);
        QString error;
        QVERIFY2(ensurePrivateDir(path, &error), qPrintable(error));
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(modeOf(path), ownerAll);
    }

    void ensurePrivateDir_existingOpenDirectory_narrowed()
    {
        const QString path = m_dir->filePath(u"open"_s);
        QVERIFY(QDir().mkdir(path));
        QVERIFY(QFile::setPermissions(path, ownerAll | QFile::ReadGroup | QFile::ExeGroup |
                                                QFile::ReadOther | QFile::ExeOther));
        QVERIFY(ensurePrivateDir(path));
        QCOMPARE(modeOf(path), ownerAll);
    }

    void ensurePrivateDir_regularFileInTheWay_failsWithReason()
    {
        const QString path = m_dir->filePath(u"file"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QString error;
        QVERIFY(!ensurePrivateDir(path, &error));
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY(QFileInfo(path).isFile());
    }

    // Instance lock

    void lockPath_runtimeDirWhenItExists_elseDataDir()
    {
        qputenv("XDG_DATA_HOME", m_dir->filePath(u"data"_s).toLocal8Bit());
        const QString runtimeDir = m_dir->filePath(u"run"_s);
        QVERIFY(QDir().mkdir(runtimeDir));
        qputenv("XDG_RUNTIME_DIR", runtimeDir.toLocal8Bit());
        QCOMPARE(InstanceLock::defaultPath(), runtimeDir + u"/brimvale.lock"_s);
        qputenv("XDG_RUNTIME_DIR", m_dir->filePath(u"missing"_s).toLocal8Bit());
        QCOMPARE(InstanceLock::defaultPath(), m_dir->filePath(u"data/brimvale/brimvale.lock"_s));
    }

    void secondLock_refusedWhileFirstHeld_grantedAfterRelease()
    {
        const QString path = m_dir->filePath(u"new/brimvale.lock"_s);
        auto first = std::make_unique<InstanceLock>(path);
        QVERIFY2(first->tryLock(), qPrintable(first->errorString()));
        QCOMPARE(modeOf(m_dir->filePath(u"new"_s)), ownerAll);
        QVERIFY(first->isLocked());

        InstanceLock second(path);
        QVERIFY(!second.tryLock());
        QVERIFY(!second.isLocked());
        QCOMPARE(second.ownerPid(), QCoreApplication::applicationPid());
        QVERIFY2(second.errorString().contains(QString::number(QCoreApplication::applicationPid())),
                 qPrintable(second.errorString()));

        first.reset();
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(second.tryLock());
    }

    void lockHeldByAnotherProcess_refused_takenOverOnceItIsKilled()
    {
        const QString path = m_dir->filePath(u"brimvale.lock"_s);
        QProcess holder;
        holder.start(QStringLiteral(PLATFORM_HELPER), {u"hold-lock"_s, path});
        QVERIFY(holder.waitForReadyRead(20000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("ready"));

        InstanceLock lock(path);
        QVERIFY(!lock.tryLock());
        QCOMPARE(lock.ownerPid(), holder.processId());

        holder.kill();
        QVERIFY(holder.waitForFinished(20000));
        // The file stays behind; its owner is gone, so it is stale.
        QVERIFY(QFileInfo::exists(path));
        QVERIFY2(lock.tryLock(), qPrintable(lock.errorString()));
    }

private:
    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_savedHome;
    QByteArray m_savedDataHome;
    QByteArray m_savedRuntimeDir;
};

QTEST_GUILESS_MAIN(DataLocationTest)
#include "tst_datalocation.moc"
