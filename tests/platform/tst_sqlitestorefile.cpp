// The one connection the stores share: how it is set up, how a failed
// transaction ends, and what its observers hear.
#include "SqliteStoreFile.h"
#include "SqliteTestUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Writes down what it is told, and fails its reading on demand.
class RecordingObserver final : public SqliteStoreFile::Observer
{
public:
    int readOnOpening(SqliteStoreFile::Connection &) override
    {
        events << u"read"_s;
        return failRead ? SQLITE_IOERR : SQLITE_OK;
    }
    StoreStatus fileOpened() override
    {
        events << u"opened"_s;
        return {};
    }
    void fileMovedAside() override { events << u"moved aside"_s; }

    QStringList events;
    bool failRead = false;
};

// The first column of `sql`'s first row, read through the file's own connection.
QString pragma(SqliteStoreFile &file, const char *sql)
{
    QString value;
    const auto failure = file.read(u"Reading a setting"_s, [&](SqliteStoreFile::Connection &c) {
        SqliteStatement &statement = c.statement(sql);
        const int rc = statement.step();
        if (rc == SQLITE_ROW)
            value = statement.columnText(0);
        statement.reset();
        return rc;
    });
    return failure ? failure->message : value;
}

} // namespace

class SqliteStoreFileTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(u"brimvale.sqlite3"_s);
    }

    void cleanup() { m_dir.reset(); }

    void opening_lazy_createsSchema_setsUpTheJournal()
    {
        SqliteStoreFile file(m_path);
        QVERIFY(!file.isOpen());
        QVERIFY(!QFileInfo::exists(m_path));
        QVERIFY(file.open().ok());
        QVERIFY(file.isOpen());
        QCOMPARE(pragma(file, "PRAGMA journal_mode"), u"wal"_s);
        QCOMPARE(pragma(file, "PRAGMA synchronous"), u"1"_s);
        QCOMPARE(pragma(file, "PRAGMA journal_size_limit"), u"4194304"_s);
        QCOMPARE(pragma(file, "SELECT group_concat(name, ',') FROM (SELECT name FROM "
                              "sqlite_schema ORDER BY name)"),
                 u"clipboard_data,clipboard_data_by_list,pinned_items,preferences,"
                 "sqlite_autoindex_preferences_1"_s);
    }

    void failedTransaction_keepsNothing_namesTheAction_reopensNextTime()
    {
        SqliteStoreFile file(m_path);
        const StoreStatus status =
            file.transaction(u"Saving a test row"_s, [](SqliteStoreFile::Connection &c) {
                int rc = c.exec("INSERT INTO preferences VALUES ('kept?', 1)");
                if (SqliteDatabase::isOk(rc))
                    rc = c.statement("INSERT INTO nowhere VALUES (1)").run();
                return rc;
            });
        QVERIFY(!status.ok());
        QVERIFY2(status.error().startsWith(u"Saving a test row failed: "_s),
                 qPrintable(status.error()));
        QVERIFY2(status.error().contains(u"nowhere"_s), qPrintable(status.error()));
        QVERIFY(!file.isOpen());
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT count(*) FROM preferences"_s),
                 QVariant(qint64(0)));

        QVERIFY(file.transaction(u"Saving"_s,
                                 [](SqliteStoreFile::Connection &c) {
                                     return c.exec("INSERT INTO preferences VALUES ('kept', 1)");
                                 })
                    .ok());
        QCOMPARE(SqliteTestUtil::value(m_path, u"SELECT count(*) FROM preferences"_s),
                 QVariant(qint64(1)));
    }

    void busyFile_failsAfterWaiting_connectionKept()
    {
        SqliteStoreFile file(m_path);
        QVERIFY(file.open().ok());
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_path).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        const StoreStatus status =
            file.transaction(u"Saving"_s, [](SqliteStoreFile::Connection &) { return SQLITE_OK; });
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QVERIFY(!status.ok());
        QVERIFY2(status.error().contains(u"locked"_s), qPrintable(status.error()));
        QVERIFY(file.isOpen());
    }

    void observer_readsOnEveryOpening_thenToldOpened()
    {
        SqliteStoreFile file(m_path);
        RecordingObserver observer;
        file.addObserver(&observer);
        QVERIFY(file.open().ok());
        QVERIFY(file.open().ok());
        QCOMPARE(observer.events, (QStringList{u"read"_s, u"opened"_s}));
        QVERIFY(!file.transaction(u"Failing"_s,
                                  [](SqliteStoreFile::Connection &c) { return c.exec("not sql"); })
                     .ok());
        QVERIFY(file.open().ok());
        QCOMPARE(observer.events, (QStringList{u"read"_s, u"opened"_s, u"read"_s, u"opened"_s}));

        // A new observer reads the file too, at its next opening.
        RecordingObserver later;
        file.addObserver(&later);
        QVERIFY(file.open().ok());
        QCOMPARE(later.events, (QStringList{u"read"_s, u"opened"_s}));
        file.removeObserver(&later);
        file.removeObserver(&observer);
    }

    void observerCannotRead_openingFails()
    {
        SqliteStoreFile file(m_path);
        RecordingObserver observer;
        observer.failRead = true;
        file.addObserver(&observer);
        const StoreStatus status = file.open();
        QVERIFY(!status.ok());
        QVERIFY2(status.error().startsWith(u"Cannot open "_s), qPrintable(status.error()));
        QVERIFY(!file.isOpen());
        QCOMPARE(observer.events, QStringList{u"read"_s});
        observer.failRead = false;
        QVERIFY(file.open().ok());
        file.removeObserver(&observer);
    }

    void damagedFile_movedAside_observerToldBeforeTheNewFileIsRead()
    {
        {
            QFile garbage(m_path);
            QVERIFY(garbage.open(QIODevice::WriteOnly));
            garbage.write(QByteArray(8192, 'x'));
        }
        SqliteStoreFile file(m_path);
        RecordingObserver observer;
        file.addObserver(&observer);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not be read; it was kept"_s));
        QVERIFY(file.open().ok());
        QCOMPARE(observer.events, (QStringList{u"moved aside"_s, u"read"_s, u"opened"_s}));
        QCOMPARE(QDir(m_dir->path()).entryList({u"*.unreadable-*"_s}, QDir::Files).size(), 1);
        file.removeObserver(&observer);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(SqliteStoreFileTest)
#include "tst_sqlitestorefile.moc"
