#include "PipeTransfer.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

void makeNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

} // namespace

PipeReader::PipeReader(int fd, std::chrono::milliseconds silence, Piece piece, Done done,
                       QObject *parent)
    : QObject(parent), m_fd(fd), m_piece(std::move(piece)), m_done(std::move(done)),
      m_silence(silence), m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      m_timer(new QTimer(this))
{
    makeNonBlocking(fd);
    connect(m_notifier, &QSocketNotifier::activated, this, &PipeReader::readAvailable);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { finish(false); });
    m_timer->start(m_silence);
}

PipeReader::~PipeReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void PipeReader::readAvailable()
{
    constexpr qsizetype chunk = 1 << 16;
    // A writer faster than we decode would otherwise keep us here until it is
    // done; the rest waits for the next turn of the event loop.
    constexpr int chunksPerTurn = 16;
    m_buffer.resize(chunk);
    for (int turn = 0; turn < chunksPerTurn;) {
        const ssize_t got = ::read(m_fd, m_buffer.data(), std::size_t(chunk));
        if (got > 0) {
            m_timer->start(m_silence);
            m_piece(QByteArrayView(m_buffer.constData(), qsizetype(got)));
            ++turn;
            continue;
        }
        if (got == 0)
            return finish(true);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return;
        return finish(false);
    }
}

void PipeReader::finish(bool complete)
{
    if (!m_done)
        return;
    m_notifier->setEnabled(false);
    m_timer->stop();
    ::close(m_fd);
    m_fd = -1;
    // The callback may delete us; nothing of ours is touched after it.
    Done done = std::move(m_done);
    m_done = nullptr;
    done(complete);
}

PipeWriter::PipeWriter(int fd, QByteArray data, std::chrono::milliseconds limit, QObject *parent)
    : QObject(parent), m_fd(fd), m_data(std::move(data)),
      m_notifier(new QSocketNotifier(fd, QSocketNotifier::Write, this)), m_timer(new QTimer(this))
{
    makeNonBlocking(fd);
    connect(m_notifier, &QSocketNotifier::activated, this, &PipeWriter::writeAvailable);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &PipeWriter::finish);
    m_timer->start(limit);
}

PipeWriter::~PipeWriter()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void PipeWriter::writeAvailable()
{
    while (m_written < m_data.size()) {
        const ssize_t put =
            ::write(m_fd, m_data.constData() + m_written, std::size_t(m_data.size() - m_written));
        if (put > 0) {
            m_written += qsizetype(put);
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        break; // The reader went away.
    }
    finish();
}

void PipeWriter::finish()
{
    m_notifier->setEnabled(false);
    m_timer->stop();
    ::close(m_fd);
    m_fd = -1;
    deleteLater();
}
