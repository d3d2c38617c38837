// A separate process for the platform tests: one that owns the clipboard with
// data xclip cannot offer, holds the instance lock, or dies right after writing.
//
//   platform_helper offer <hint-value> <text>   text/plain plus a password manager hint
//   platform_helper select <hint-value> <text>  the same as the mouse selection (PRIMARY)
//   platform_helper hold-lock <path>            takes the instance lock and waits
//   platform_helper try-lock <path>             takes the instance lock once, prints
//                                               "locked", "held" or the error, exits
//   platform_helper write-then-die <path>       saves, then SIGKILLs itself
//   platform_helper squat-socket <path>         listens on a local socket there,
//                                               prints "got <line>" for each line
//                                               a client sends and answers "ok"
//   platform_helper send-line <path> <line>     sends the line, prints the answer
//                                               or "closed" when there is none
//
// Prints one line ("ready") once its part is done, then waits to be killed.
#include "InstanceLock.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void announce()
{
    std::puts("ready");
    std::fflush(stdout);
}

int offer(int argc, char **argv, const QString &hint, const QString &text,
          QClipboard::Mode mode = QClipboard::Clipboard)
{
    QGuiApplication app(argc, argv);
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), hint.toUtf8());
    QGuiApplication::clipboard()->setMimeData(data.release(), mode);
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

// A plain socket at `path`, as a program that has nothing to do with Brimvale
// makes one; -1 on failure.
int localSocket(const QString &path, bool listening)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(path).constData(),
                 sizeof address.sun_path - 1);
    const auto *name = reinterpret_cast<const sockaddr *>(&address);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool ready =
        fd >= 0 && (listening ? ::bind(fd, name, sizeof address) == 0 && ::listen(fd, 8) == 0
                              : ::connect(fd, name, sizeof address) == 0);
    if (!ready)
        std::perror("platform_helper");
    return ready ? fd : -1;
}

int squatSocket(const QString &path)
{
    const int server = localSocket(path, true);
    if (server < 0)
        return 1;
    announce();
    for (char line[256] = {};; std::memset(line, 0, sizeof line)) {
        const int client = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0 && ::read(client, line, sizeof line - 1) > 0) {
            std::printf("got %s", line);
            std::fflush(stdout);
            (void)!::write(client, "ok\n", 3);
        }
        ::close(client);
    }
}

int sendLine(const QString &path, const QByteArray &line)
{
    const int fd = localSocket(path, false);
    if (fd < 0)
        return 1;
    (void)!::write(fd, (line + '\n').constData(), static_cast<size_t>(line.size() + 1));
    pollfd answer = {fd, POLLIN, 0};
    char reply[256] = {};
    const bool answered = ::poll(&answer, 1, 5000) == 1 && ::read(fd, reply, sizeof reply - 1) > 0;
    std::puts(answered ? QByteArray(reply).trimmed().constData() : "closed");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1StringView("offer") && argc == 4)
        return offer(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (mode == QLatin1StringView("select") && argc == 4)
        return offer(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                     QClipboard::Selection);
    if (mode == QLatin1StringView("hold-lock") && argc == 3)
        return holdLock(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (mode == QLatin1StringView("try-lock") && argc == 3)
        return tryLockOnce(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (mode == QLatin1StringView("write-then-die") && argc == 3)
        return writeThenDie(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (mode == QLatin1StringView("squat-socket") && argc == 3)
        return squatSocket(QString::fromLocal8Bit(argv[2]));
    if (mode == QLatin1StringView("send-line") && argc == 4)
        return sendLine(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]));
    std::fprintf(stderr,
                 "usage: platform_helper "
                 "offer|select|hold-lock|try-lock|write-then-die|squat-socket|send-line ...\n");
    return 64;
}
