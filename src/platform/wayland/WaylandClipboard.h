#pragma once

#include "Clipboard.h"
#include "ClipboardTextPolicy.h"
#include "DataControlConnection.h"
#include "PipeTransfer.h"

#include <QPointer>

#include <memory>
#include <optional>

class QTimer;

// The clipboard through the compositor's data-control protocol, on a Wayland
// connection of its own: it sees every copy whichever window has the focus, and
// sets or clears the selection without needing one.
//
// Reading is asynchronous: each new selection is read through a pipe in the event
// loop, and changed() is emitted once its text is complete. readText() serves the
// last text read and never blocks. A selection that arrives while another is read
// waits its turn; of several waiting, only the newest is read.
//
// On a connection that follows the primary selection it reads the text selected
// with the mouse instead, leaving out what Brimvale's own panel selects.
class WaylandClipboard final : public Clipboard
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WaylandClipboard)

public:
    // Follows the selection `connection` was opened for.
    explicit WaylandClipboard(std::unique_ptr<DataControlConnection> connection,
                              QObject *parent = nullptr);
    WaylandClipboard(std::unique_ptr<DataControlConnection> connection,
                     DataControlConnection::Selection selection, QObject *parent = nullptr);
    ~WaylandClipboard() override;

    std::optional<QString> readText() override;
    void clear() override;
    void writeText(const QString &text) override;

    // The data-control manager in use, or nullptr while disconnected.
    const char *protocolName() const;

private:
    using OfferKey = DataControlConnection::OfferKey;

    void attach(std::unique_ptr<DataControlConnection> connection);
    void onSelection(OfferKey offer);
    void take(OfferKey offer);
    void readHintThenText(OfferKey offer, const QByteArray &hintType,
                          const ClipboardTextPolicy::TextType &textType);
    void readTextOf(OfferKey offer, const ClipboardTextPolicy::TextType &textType);
    bool receive(OfferKey offer, const QByteArray &type, PipeReader::Piece piece,
                 PipeReader::Done done);
    void publish(std::optional<QString> text, bool announce = true);
    void serve(const QByteArray &mimeType, int fd);
    void onLost();
    void reconnect();

    DataControlConnection::Selection m_selection = DataControlConnection::Selection::Clipboard;
    std::unique_ptr<DataControlConnection> m_connection;
    std::optional<QString> m_text;
    // What our own current copy holds, served to whoever pastes it.
    std::optional<QString> m_ownText;
    OfferKey m_reading = nullptr;
    // The newest selection announced during a read: an offer, or null (cleared).
    std::optional<OfferKey> m_next;
    QPointer<PipeReader> m_reader;
    QTimer *m_reconnectTimer;
    bool m_toldSlowOwner = false;
};
