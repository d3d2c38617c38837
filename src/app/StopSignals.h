#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the program as its Quit does when the session or the user asks it to stop
// with SIGTERM, SIGINT or SIGHUP: the event loop returns 0, and everything that
// is closed on the way out (the store's journal, the instance lock) is closed.
// The handlers only write the signal's number to a pipe; the event loop reads it.
class StopSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StopSignals)

public:
    explicit StopSignals(QObject *parent = nullptr);
    // Gives the signals back their earlier handlers.
    ~StopSignals() override;

    // False when the pipe or a handler could not be set up; the signals then end
    // the program as they would without this object.
    bool isActive() const { return m_notifier != nullptr; }

signals:
    // One of the signals arrived; quitting follows.
    void stopRequested(int signalNumber);

private:
    void readPipe();

    int m_readEnd = -1;
    int m_writeEnd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
