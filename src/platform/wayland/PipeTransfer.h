#pragma once

#include <QByteArray>
#include <QObject>

#include <chrono>
#include <functional>
#include <optional>

class QSocketNotifier;
class QTimer;

// Reads one end of a pipe to its end in the event loop, never blocking it: another
// program writes the clipboard's content into the other end, as slowly as it likes
// up to `limit`. Owns and closes `fd`.
class PipeReader final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PipeReader)

public:
    // nullopt: the time ran out or reading failed.
    using Done = std::function<void(std::optional<QByteArray>)>;

    PipeReader(int fd, std::chrono::milliseconds limit, Done done, QObject *parent);
    ~PipeReader() override;

private:
    void readAvailable();
    void finish(std::optional<QByteArray> result);

    int m_fd;
    QByteArray m_data;
    Done m_done;
    QSocketNotifier *m_notifier;
    QTimer *m_timer;
};

// Writes `data` into a pipe in the event loop, as fast as the reader takes it, up
// to `limit`; then closes it and deletes itself. Owns `fd`.
class PipeWriter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PipeWriter)

public:
    PipeWriter(int fd, QByteArray data, std::chrono::milliseconds limit, QObject *parent);
    ~PipeWriter() override;

private:
    void writeAvailable();
    void finish();

    int m_fd;
    QByteArray m_data;
    qsizetype m_written = 0;
    QSocketNotifier *m_notifier;
    QTimer *m_timer;
};
