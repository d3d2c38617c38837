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

PipeReader::PipeReader(int fd, std::chrono::milliseconds limit, Done done, QObject *parent)
    : QObject(parent), m_fd(fd), m_done(std::move(done)),
      m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this)), m_timer(new QTimer(this))
{
    makeNonBlocking(fd);
    connect(m_notifier, &QSocketNotifier::activated, this, &PipeReader::readAvailable);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { finish(std::nullopt); });
    m_timer->start(limit);
}

PipeReader::~PipeReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void PipeReader::readAvailable()
{
    constexpr qsizetype chunk = 1 << 16;
    for (;;) {
        const qsizetype size = m_data.size();
        m_data.resize(size + chunk);
        const ssize_t got = ::read(m_fd, m_data.data() + size, std::size_t(chunk));
        m_data.resize(size + (got > 0 ? qsizetype(got) : 0));
        if (got > 0)
            continue;
        if (got == 0)
            return finish(std::move(m_data));
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return;
        return finish(std::nullopt);
    }
}

void PipeReader::finish(std::optional<QByteArray> result)
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
    done(std::move(result));
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
