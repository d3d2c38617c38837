// A separate process for the platform tests: one that owns the clipboard with
// data xclip cannot offer, holds the instance lock, or dies right after writing.
//
//   platform_helper offer <hint-value> <text>   text/plain plus a password manager hint
//   platform_helper hold-lock <path>            takes the instance lock and waits
//   platform_helper try-lock <path>             takes the instance lock once, prints
//                                               "locked", "held" or the error, exits
//   platform_helper write-then-die <path>       saves, then SIGKILLs itself
//
// Prints one line ("ready") once its part is done, then waits to be killed.
#include "InstanceLock.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

void announce()
{
    std::puts("ready");
    std::fflush(stdout);
}

int offer(int argc, char **argv, const QString &hint, const QString &text)
{
    QGuiApplication app(argc, argv);
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), hint.toUtf8());
    QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
    QMetaObject::invokeMethod(&app, &announce, Qt::QueuedConnection);
    return app.exec();
}

int holdLock(int argc, char **argv, const QString &path)
{
    QCoreApplication app(argc, argv);
    InstanceLock lock(path);
    if (!lock.tryLock()) {
        std::fprintf(stderr, "%s\n", qPrintable(lock.errorString()));
        return 1;
    }
    announce();
    return app.exec();
}

int tryLockOnce(int argc, char **argv, const QString &path)
{
    QCoreApplication app(argc, argv);
    InstanceLock lock(path);
    const bool locked = lock.tryLock();
    if (locked)
        std::puts("locked");
    else if (lock.state() == InstanceLock::State::HeldByAnother)
        std::puts("held");
    else
        std::printf("%s\n", qPrintable(lock.errorString()));
    return locked ? 0 : 1;
}

int writeThenDie(int argc, char **argv, const QString &path)
{
    QCoreApplication app(argc, argv);
    SqliteStoreFile file(path);
    SqlitePreferences preferences(file);
    SqliteHistoryStore history(file);
    preferences.setPrivacyMode(true);
    const StoreStatus steps[] = {
        preferences.flush(),
        history.insertNewest(QStringLiteral("texts"), QStringLiteral("written before the kill"))
            .status(),
        history
            .replaceList(QStringLiteral("urls"),
                         {QStringLiteral("https://b.example"), QStringLiteral("https://a.example")})
            .status(),
    };
    for (const StoreStatus &step : steps) {
        if (!step.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(step.error()));
            return 1;
        }
    }
    announce();
    std::raise(SIGKILL);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1StringView("offer") && argc == 4)
        return offer(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (mode == QLatin1StringView("hold-lock") && argc == 3)
        return holdLock(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (mode == QLatin1StringView("try-lock") && argc == 3)
        return tryLockOnce(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (mode == QLatin1StringView("write-then-die") && argc == 3)
        return writeThenDie(argc, argv, QString::fromLocal8Bit(argv[2]));
    std::fprintf(stderr, "usage: platform_helper offer|hold-lock|try-lock|write-then-die ...\n");
    return 64;
}
