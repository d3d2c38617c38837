#include "ClipboardManager.h"
#include "HistoryExport.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SaveDialog.h"
#include "SqliteStores.h"
#include "StreamCapture.h"
#include "TemporaryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// Answers the save dialog when the test says so.
class ScriptedSaveDialog final : public SaveDialog
{
public:
    void ask(const QString &suggestedName, const QStringList &fileTypes, Completion done) override
    {
        ++asked;
        lastName = suggestedName;
        lastTypes = fileTypes;
        pending = std::move(done);
    }
    // With the first offered type selected, as the dialog opens.
    void answer(const std::optional<QString> &path)
    {
        if (path)
            choose(*path, lastTypes.value(0));
        else
            finish(std::nullopt);
    }
    // The user selected `fileType` and accepted `path`.
    void choose(const QString &path, const QString &fileType) { finish(Choice{path, fileType}); }
    void finish(const std::optional<Choice> &choice)
    {
        auto done = std::move(pending);
        pending = nullptr;
        done(choice);
    }

    int asked = 0;
    QString lastName;
    QStringList lastTypes;
    Completion pending;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}
} // namespace

// Writing a category's list to the file the user picks.
class HistoryExportTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
        m_manager = std::make_unique<ClipboardManager>(m_clipboard, m_store->preferences(),
                                                       m_store->history(), m_timers);
        m_dirHolder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dirHolder->isValid());
    }
    void cleanup()
    {
        m_manager.reset();
        m_store.reset();
        m_dirHolder.reset();
    }

    void dialog_offersTxtThenCsvAndSuggestsNameFromCategory()
    {
        m_manager->exportItems(Category::Code, m_dialog);
        QCOMPARE(m_dialog.lastName, QStringLiteral("clipboard_export.code"));
        QCOMPARE(m_dialog.lastTypes, QStringList({QStringLiteral("txt"), QStringLiteral("csv")}));
        m_manager->exportItems(Category::Url, m_dialog);
        QCOMPARE(m_dialog.lastName, QStringLiteral("clipboard_export.url"));
    }

    void twoItems_areJoinedByTwoLineFeeds_noFinalLineFeed()
    {
        seed(Category::Code, {QStringLiteral("a"), QStringLiteral("b")});
        const QString path = m_dirHolder->filePath(QStringLiteral("out.txt"));
        m_manager->exportItems(Category::Code, m_dialog);
        m_dialog.answer(path);
        QCOMPARE(readAll(path), QByteArray("a\n\nb"));
    }

    void pinnedItems_areWrittenFirstAsShown()
    {
        seed(Category::Code, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        m_manager->setPinned(Category::Code, QStringLiteral("c"), true);
        const QString path = m_dirHolder->filePath(QStringLiteral("pinned.txt"));
        m_manager->exportItems(Category::Code, m_dialog);
        m_dialog.answer(path);
        QCOMPARE(readAll(path), QByteArray("c\n\na\n\nb"));
    }

    void itemsAreWrittenUnchangedAsUtf8WithoutBom_sameForCsv()
    {
        const QString multiLine = QStringLiteral("line one\nline \"two\", é 👍");
        seed(Category::Text, {multiLine, QStringLiteral("x")});
        const QString path = m_dirHolder->filePath(QStringLiteral("out.csv"));
        m_manager->exportItems(Category::Text, m_dialog);
        m_dialog.answer(path);
        QCOMPARE(readAll(path), (multiLine + QStringLiteral("\n\nx")).toUtf8());
    }

    void emptyList_givesEmptyFile()
    {
        const QString path = m_dirHolder->filePath(QStringLiteral("empty.txt"));
        m_manager->exportItems(Category::Url, m_dialog);
        m_dialog.answer(path);
        QVERIFY(QFile::exists(path));
        QCOMPARE(readAll(path), QByteArray());
    }

    void listIsReadWhenConfirmed_categoryWhenAsked()
    {
        seed(Category::Url, {QStringLiteral("https://old")});
        m_manager->exportItems(Category::Url, m_dialog);
        m_manager->addItem(QStringLiteral("https://captured-meanwhile"));
        m_manager->addItem(QStringLiteral("some text meanwhile"));
        const QString path = m_dirHolder->filePath(QStringLiteral("urls.txt"));
        m_dialog.answer(path);
        QCOMPARE(readAll(path), QByteArray("https://captured-meanwhile\n\nhttps://old"));
    }

    void nameWithoutOfferedExtension_getsSelectedType_contentUnchanged_data()
    {
        QTest::addColumn<QString>("accepted");
        QTest::addColumn<QString>("fileType");
        QTest::addColumn<QString>("saved");
        QTest::newRow("suggested name, txt")
            << u"clipboard_export.url"_s << u"txt"_s << u"clipboard_export.url.txt"_s;
        QTest::newRow("suggested name, csv")
            << u"clipboard_export.code"_s << u"csv"_s << u"clipboard_export.code.csv"_s;
        QTest::newRow("no extension") << u"notes"_s << u"txt"_s << u"notes.txt"_s;
        QTest::newRow("ends in a dot") << u"notes."_s << u"csv"_s << u"notes.csv"_s;
        QTest::newRow("txt kept with csv selected") << u"list.txt"_s << u"csv"_s << u"list.txt"_s;
        QTest::newRow("csv kept with txt selected") << u"list.csv"_s << u"txt"_s << u"list.csv"_s;
        QTest::newRow("upper case kept") << u"LIST.TXT"_s << u"txt"_s << u"LIST.TXT"_s;
        QTest::newRow("txt only inside the name")
            << u"a.txt.bak"_s << u"txt"_s << u"a.txt.bak.txt"_s;
    }

    void nameWithoutOfferedExtension_getsSelectedType_contentUnchanged()
    {
        QFETCH(QString, accepted);
        QFETCH(QString, fileType);
        QFETCH(QString, saved);
        seed(Category::Url, {u"https://b"_s, u"https://a"_s});
        m_manager->exportItems(Category::Url, m_dialog);
        m_dialog.choose(m_dirHolder->filePath(accepted), fileType);
        QCOMPARE(QDir(m_dirHolder->path()).entryList(QDir::Files), QStringList{saved});
        QCOMPARE(readAll(m_dirHolder->filePath(saved)), QByteArray("https://b\n\nhttps://a"));
    }

    void cancel_writesAndPrintsNothing()
    {
        seed(Category::Text, {QStringLiteral("t")});
        StreamCapture out(stdout);
        m_manager->exportItems(Category::Text, m_dialog);
        m_dialog.answer(std::nullopt);
        QCOMPARE(out.take(), QByteArray());
        QVERIFY(QDir(m_dirHolder->path()).isEmpty());
    }

    void unwritableLocation_printsOneLine()
    {
        seed(Category::Text, {QStringLiteral("t")});
        const QString path = m_dirHolder->filePath(QStringLiteral("no/such/folder/out.txt"));
        StreamCapture out(stdout);
        QSignalSpy failed(m_manager.get(), &ClipboardManager::exportFailed);
        m_manager->exportItems(Category::Text, m_dialog);
        m_dialog.answer(path);
        const QByteArray said = out.take();
        QVERIFY2(said.startsWith("Failed to export items: "), said.constData());
        QVERIFY(said.endsWith('\n'));
        // The panel is told the same, so the failure does not pass for success.
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString().toUtf8() + '\n', said);
        QCOMPARE(said.count('\n'), 1);
        QVERIFY(said.size() > qsizetype(sizeof("Failed to export items: \n")));
    }

    void failedWrite_leavesExistingFileWhole()
    {
        const QString path = m_dirHolder->filePath(QStringLiteral("existing.txt"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("the previous export");
        }
        seed(Category::Text, {QString(200000, u'x')});
        // A file-size limit makes the write fail midway, even for root.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
        StreamCapture out(stdout);
        m_manager->exportItems(Category::Text, m_dialog);
        m_dialog.answer(path);
        const QByteArray said = out.take();
        setrlimit(RLIMIT_FSIZE, &saved);

        QCOMPARE(said, "Failed to export items: " + qt_error_string(EFBIG).toUtf8() + '\n');
        QCOMPARE(readAll(path), QByteArray("the previous export"));
        QCOMPARE(QDir(m_dirHolder->path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("existing.txt")});
    }

    // An exported history is as private as the store, and a name someone else has
    // made a link is not written through unless it leads to a file of the user's.
    void exportIsPrivate_linksLeadOnlyToOwnFiles()
    {
        seed(Category::Url, {QStringLiteral("https://secret.example")});
        const QDir dir(m_dirHolder->path());
        const QByteArray secret("https://secret.example");
        const auto exportTo = [&](const QString &name) {
            StreamCapture out(stdout);
            m_manager->exportItems(Category::Url, m_dialog);
            m_dialog.answer(dir.filePath(name));
            return out.take();
        };
        const auto modeOf = [](const QString &path) {
            struct stat status
            {
            };
            return ::lstat(QFile::encodeName(path).constData(), &status) == 0
                       ? status.st_mode & 07777
                       : 0u;
        };

        QVERIFY(QFile(dir.filePath(QStringLiteral("shared.txt"))).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("shared.txt")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther));
        for (const QString &name : {QStringLiteral("new.txt"), QStringLiteral("shared.txt")}) {
            QCOMPARE(exportTo(name), QByteArray());
            QCOMPARE(readAll(dir.filePath(name)), secret);
            QCOMPARE(modeOf(dir.filePath(name)), 0600u);
        }

        QVERIFY(QFile::link(dir.filePath(QStringLiteral("new.txt")),
                            dir.filePath(QStringLiteral("mine.txt"))));
        QFile(dir.filePath(QStringLiteral("new.txt"))).resize(0);
        QCOMPARE(exportTo(QStringLiteral("mine.txt")), QByteArray());
        QCOMPARE(readAll(dir.filePath(QStringLiteral("new.txt"))), secret);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("mine.txt"))).isSymLink());

        QVERIFY(QFile::link(dir.filePath(QStringLiteral("theirs.txt")),
                            dir.filePath(QStringLiteral("planted.txt"))));
        QVERIFY(exportTo(QStringLiteral("planted.txt")).startsWith("Failed to export items: "));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("theirs.txt"))));

        // A file of another user's: only root can make one here.
        QFile theirs(dir.filePath(QStringLiteral("theirs.txt")));
        QVERIFY(theirs.open(QIODevice::WriteOnly));
        theirs.close();
        if (::chown(QFile::encodeName(theirs.fileName()).constData(), 65534, 65534) != 0) {
            qInfo("Not run: a link to another user's file (chown needs root)");
            return;
        }
        QVERIFY(exportTo(QStringLiteral("planted.txt")).startsWith("Failed to export items: "));
        QCOMPARE(readAll(theirs.fileName()), QByteArray());
    }

private:
    // Stores a list as an earlier session would have.
    void plant(const QString &key, const QStringList &texts)
    {
        QVERIFY(m_store->history().replaceList(key, texts).ok());
    }
    // The manager over a store that holds `items` in the category's list.
    void seed(Category category, const QStringList &items)
    {
        m_manager.reset();
        plant(listKey(category), items);
        m_manager = std::make_unique<ClipboardManager>(m_clipboard, m_store->preferences(),
                                                       m_store->history(), m_timers);
    }

    MemoryClipboard m_clipboard;
    ManualPollTimers m_timers;
    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<ClipboardManager> m_manager;
    ScriptedSaveDialog m_dialog;
    std::unique_ptr<QTemporaryDir> m_dirHolder;
};

QTEST_GUILESS_MAIN(HistoryExportTest)
#include "tst_historyexport.moc"
