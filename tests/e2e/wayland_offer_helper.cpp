// Another program for the Wayland tests: takes the clipboard over data-control
// with the given MIME types and contents, which wl-copy cannot do for several.
//
//   wayland_offer_helper [--silent | --pause MS] TYPE CONTENT [TYPE CONTENT...]
//
// Prints "ready" once the compositor reports its offer as the selection, answers
// every paste with the content of the type asked for (with --silent, never; with
// --pause, in three pieces MS ms apart), and exits when another program takes
// the clipboard.
#include "DataControlConnection.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

void writeAll(int fd, QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.data() + done, std::size_t(bytes.size() - done));
        if (put <= 0)
            break;
        done += qsizetype(put);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // A paster that leaves early must not end the offer.
    std::signal(SIGPIPE, SIG_IGN);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool silent =
        !arguments.isEmpty() && arguments.constFirst() == QLatin1StringView("--silent");
    if (silent)
        arguments.removeFirst();
    int pauseMs = 0;
    if (arguments.size() > 1 && arguments.constFirst() == QLatin1StringView("--pause")) {
        pauseMs = arguments.at(1).toInt();
        arguments.remove(0, 2);
    }
    if (arguments.isEmpty() || arguments.size() % 2 != 0) {
        std::fputs("usage: wayland_offer_helper [--silent | --pause MS] TYPE CONTENT "
                   "[TYPE CONTENT...]\n",
                   stderr);
        return 2;
    }
    QList<QByteArray> types;
    QList<QByteArray> contents;
    for (qsizetype i = 0; i < arguments.size(); i += 2) {
        types.append(arguments.at(i).toUtf8());
        contents.append(arguments.at(i + 1).toUtf8());
    }

    // A type of this process's own, so that it knows its offer from another
    // helper's with the same types.
    types.append("application/x-wayland-offer-helper-" +
                 QByteArray::number(QCoreApplication::applicationPid()));
    contents.append(QByteArray());

    auto opened = DataControlConnection::open();
    auto *connection = std::get_if<std::unique_ptr<DataControlConnection>>(&opened);
    if (!connection) {
        std::fprintf(stderr, "%s\n", qPrintable(std::get<DataControlUnavailable>(opened).reason));
        return 1;
    }
    DataControlConnection &wayland = **connection;
    std::vector<int> unanswered;
    bool announced = false;
    QObject::connect(&wayland, &DataControlConnection::selectionChanged, &app,
                     [&](DataControlConnection::OfferKey offer) {
                         const bool ours = offer && wayland.offerTypes(offer) == types;
                         if (offer)
                             wayland.dropOffer(offer);
                         if (ours && !announced) {
                             announced = true;
                             std::puts("ready");
                             std::fflush(stdout);
                         } else if (announced) {
                             QCoreApplication::quit();
                         }
                     });
    QObject::connect(
        &wayland, &DataControlConnection::sendRequested, &app, [&](const QByteArray &type, int fd) {
            if (silent) {
                unanswered.push_back(fd);
                return;
            }
            const QByteArray content = contents.value(types.indexOf(type));
            if (pauseMs == 0) {
                writeAll(fd, content);
                ::close(fd);
                return;
            }
            // Thirds, each after a pause: a slow writer, never silent for long.
            const qsizetype third = (content.size() + 2) / 3;
            for (int piece = 0; piece < 3; ++piece) {
                QTimer::singleShot(pauseMs * piece, &app,
                                   [fd, piece, part = content.mid(third * piece, third)] {
                                       writeAll(fd, part);
                                       if (piece == 2)
                                           ::close(fd);
                                   });
            }
        });
    QObject::connect(&wayland, &DataControlConnection::lost, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    wayland.setOwnSelection(types);
    const int status = QCoreApplication::exec();
    for (int fd : unanswered)
        ::close(fd);
    return status;
}
