#include "StopSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array stopSignals{SIGTERM, SIGINT, SIGHUP};

// The handler may run on any thread at any moment: it touches nothing but this.
std::atomic<int> s_writeEnd{-1};
std::array<struct sigaction, stopSignals.size()> s_previous{};

void onStopSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    // A full pipe already holds a request to stop; one more adds nothing.
    [[maybe_unused]] const ssize_t written = ::write(s_writeEnd.load(), &byte, 1);
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    std::array<int, 2> ends{-1, -1};
    if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_readEnd = ends[0];
    m_writeEnd = ends[1];
    s_writeEnd.store(m_writeEnd);
    m_notifier = new QSocketNotifier(m_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readPipe);

    struct sigaction action = {};
    action.sa_handler = &onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < stopSignals.size(); ++i)
        ::sigaction(stopSignals[i], &action, &s_previous[i]);
}

StopSignals::~StopSignals()
{
    if (m_readEnd < 0)
        return;
    for (std::size_t i = 0; i < stopSignals.size(); ++i)
        ::sigaction(stopSignals[i], &s_previous[i], nullptr);
    s_writeEnd.store(-1);
    ::close(m_readEnd);
    ::close(m_writeEnd);
}

void StopSignals::readPipe()
{
    char byte = 0;
    int last = 0;
    while (::read(m_readEnd, &byte, 1) == 1)
        last = static_cast<unsigned char>(byte);
    if (last == 0)
        return;
    emit stopRequested(last);
    // As the panel's Quit does.
    QCoreApplication::quit();
}
