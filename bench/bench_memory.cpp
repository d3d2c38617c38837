// Resident memory of a process holding a 100,000-item history (or as many as the
// first argument says), next to the size of the history's texts in UTF-8. A child process writes
// the history first, so none of the generator's memory counts.
#include "ClipboardManager.h"
#include "HistoryFile.h"
#include "HistoryGenerator.h"
#include "HistorySize.h"
#include "LoadedHistory.h"
#include "MemoryClipboard.h"
#include "PollTimers.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace {
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toDouble() / 1024.0;
    return -1;
}

bool populate(const QString &path, int count)
{
    const StoreStatus written = HistoryFile::write(path, HistoryGenerator::history(count));
    if (!written.ok())
        std::fprintf(stderr, "could not write the history: %s\n", qPrintable(written.error()));
    return written.ok();
}
} // namespace

int main(int argc, char **argv)
{
    const int count = historySizeArgument(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("brimvale.sqlite3"));
    const pid_t child = fork();
    if (child == 0) {
        // The store's thread runs an event loop, which needs the application.
        const QCoreApplication writing(argc, argv);
        _exit(populate(path, count) ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the history could not be written\n");
        return 1;
    }

    QCoreApplication app(argc, argv);
    const double before = residentMiB();
    MemoryClipboard clipboard;
    SqliteStoreFile file(path);
    SqlitePreferences preferences(file);
    SqliteHistoryStore history(file);
    QtPollTimers timers;
    ClipboardManager manager(clipboard, preferences, history, timers);
    waitUntilLoaded(manager);
    qint64 utf8Bytes = 0;
    for (Category category : allCategories) {
        const HistoryList &list = manager.list(category);
        for (int row = 0; row < list.size(); ++row)
            utf8Bytes += list.utf8At(row).size();
    }
    const double after = residentMiB();
    const double utf8MiB = double(utf8Bytes) / 1048576.0;
    std::printf("items: %lld\ntexts in UTF-8: %.1f MiB\nresident before loading: %.1f MiB\n"
                "resident holding the history: %.1f MiB (growth %.1f MiB, %.2fx the texts)\n",
                static_cast<long long>(manager.urls().size() + manager.codes().size() +
                                       manager.texts().size()),
                utf8MiB, before, after, after - before, (after - before) / utf8MiB);
    return 0;
}
