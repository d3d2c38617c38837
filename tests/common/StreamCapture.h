#pragma once

#include <QByteArray>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Captures what the process writes to standard output or standard error while
// alive, so tests can check the program's one-line reports.
class StreamCapture final
{
public:
    explicit StreamCapture(FILE *stream) : m_stream(stream), m_fd(fileno(stream))
    {
        m_file.open();
        std::fflush(m_stream);
        m_saved = dup(m_fd);
        dup2(m_file.handle(), m_fd);
    }
    ~StreamCapture() { restore(); }
    StreamCapture(const StreamCapture &) = delete;
    StreamCapture &operator=(const StreamCapture &) = delete;

    // Stops capturing and returns what was written.
    QByteArray take()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(m_stream);
        dup2(m_saved, m_fd);
        close(m_saved);
        m_saved = -1;
    }

    FILE *m_stream;
    int m_fd;
    int m_saved = -1;
    QTemporaryFile m_file;
};
