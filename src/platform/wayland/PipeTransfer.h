#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>

#include <chrono>
#include <functional>
#include <optional>

class QSocketNotifier;
class QTimer;

// Reads one end of a pipe to its end in the event loop, never blocking it: another
// program writes the clipboard's content into the other end, as slowly as it
// likes, as long as it is never silent for `silence`. Each piece is handed on as
// it arrives, so that a large content is never held up in one step. Owns and
// closes `fd`.
class PipeReader final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PipeReader)

public:
    using Piece = std::function<void(QByteArrayView)>;
    // false: the writer was silent too long or reading failed.
    using Done = std::function<void(bool complete)>;

    PipeReader(int fd, std::chrono::milliseconds silence, Piece piece, Done done, QObject *parent);
    ~PipeReader() override;

private:
    void readAvailable();
    void finish(bool complete);

    int m_fd;
    QByteArray m_buffer;
    Piece m_piece;
    Done m_done;
    std::chrono::milliseconds m_silence;
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
