// Child process of the crash test: records texts one after another into the
// store given on the command line and reports each one as soon as it is saved,
// until it is killed.
#include "ClipboardManager.h"
#include "MemoryClipboard.h"
#include "PollTimers.h"
#include "SqliteStores.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const int first = args.at(2).toInt();
    MemoryClipboard clipboard;
    SqliteStores store(args.at(1));
    QtPollTimers timers;
    ClipboardManager manager(clipboard, store.preferences, store.history, timers);
    for (int n = first;; ++n) {
        manager.addItem(QStringLiteral("crash test item %1").arg(n));
        // Saved once the store's thread has written it.
        store.file.writer().flush();
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}
