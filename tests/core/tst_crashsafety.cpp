#include "SqliteStores.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>

namespace {
QString integrityCheck(const QString &path)
{
    sqlite3 *db = nullptr;
    QString result = QStringLiteral("cannot open");
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            result =
                QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}
} // namespace

// A process killed at any moment loses nothing it had reported saved.
class CrashSafetyTest final : public QObject
{
    Q_OBJECT

private slots:
    void killedWriter_keepsEveryReportedItemInOrder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("history.sqlite3"));
        QRandomGenerator random(20261209);
        int next = 0;

        for (int round = 0; round < 8; ++round) {
            QProcess writer;
            writer.setProgram(QStringLiteral(CRASH_WRITER));
            writer.setArguments({path, QString::number(next)});
            writer.start();
            QVERIFY(writer.waitForStarted());
            QTest::qWait(60 + int(random.bounded(250)));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());

            // A writer killed before it saved anything (a slow start) reports nothing.
            int lastReported = next - 1;
            for (const QByteArray &line : writer.readAllStandardOutput().split('\n'))
                if (!line.isEmpty())
                    lastReported = line.toInt();

            QCOMPARE(integrityCheck(path), QStringLiteral("ok"));
            SqliteStores store(path);
            const QStringList texts =
                store.history.load().lists.value(QStringLiteral("texts")).texts();
            // Newest first: item k stands at index (count - 1 - k). One more item than
            // reported may have been saved just before the kill.
            const int count = int(texts.size());
            QVERIFY2(
                count == lastReported + 1 || count == lastReported + 2,
                qPrintable(
                    QStringLiteral("stored %1, last reported %2").arg(count).arg(lastReported)));
            for (int k = 0; k < count; ++k)
                QCOMPARE(texts.at(count - 1 - k), QStringLiteral("crash test item %1").arg(k));
            next = count;
        }
        QVERIFY(next > 0);
    }
};

QTEST_GUILESS_MAIN(CrashSafetyTest)
#include "tst_crashsafety.moc"
