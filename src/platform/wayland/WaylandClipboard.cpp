#include "WaylandClipboard.h"

#include "ClipboardTextPolicy.h"
#include "Logging.h"
#include "OfferTypes.h"
#include "PipeTransfer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// An owner that has sent nothing for this long is not waited for; one that
// keeps sending, however slowly, is.
constexpr auto readSilence = 2s;
// The hint is a word; more than this is no hint of a password manager's.
constexpr qsizetype hintAtMost = 256;
// A paster that takes longer than this for our text is given up on.
constexpr auto writeLimit = 10s;
constexpr auto reconnectInterval = 1s;

} // namespace

WaylandClipboard::WaylandClipboard(std::unique_ptr<DataControlConnection> connection,
                                   QObject *parent)
    : WaylandClipboard(std::move(connection), DataControlConnection::Selection::Clipboard, parent)
{
}

WaylandClipboard::WaylandClipboard(std::unique_ptr<DataControlConnection> connection,
                                   DataControlConnection::Selection selection, QObject *parent)
    // The compositor sends every new selection, and every text read in is
    // announced; our own copies are known without one.
    : Clipboard(ChangeNotices::Every, parent), m_selection(selection),
      m_reconnectTimer(new QTimer(this))
{
    // A paster that closes its pipe early must not kill us with SIGPIPE; the
    // failed write says enough.
    std::signal(SIGPIPE, SIG_IGN);
    m_reconnectTimer->setInterval(reconnectInterval);
    connect(m_reconnectTimer, &QTimer::timeout, this, &WaylandClipboard::reconnect);
    attach(std::move(connection));
}

WaylandClipboard::~WaylandClipboard()
{
    // Readers may hold offers of the connection; they go first.
    delete m_reader;
    m_connection.reset();
}

std::optional<QString> WaylandClipboard::readText()
{
    return m_text;
}

void WaylandClipboard::clear()
{
    m_ownText.reset();
    m_text.reset();
    if (m_connection)
        m_connection->clearSelection();
}

void WaylandClipboard::writeText(const QString &text)
{
    m_ownText = text;
    m_text = text;
    if (m_connection)
        m_connection->setOwnSelection(OfferTypes::typesForOwnCopy());
}

const char *WaylandClipboard::protocolName() const
{
    return m_connection ? m_connection->protocolName() : nullptr;
}

void WaylandClipboard::attach(std::unique_ptr<DataControlConnection> connection)
{
    m_connection = std::move(connection);
    DataControlConnection *raw = m_connection.get();
    connect(raw, &DataControlConnection::selectionChanged, this, &WaylandClipboard::onSelection);
    connect(raw, &DataControlConnection::sendRequested, this, &WaylandClipboard::serve);
    // Queued: the connection reports its loss from inside its own event handling.
    connect(raw, &DataControlConnection::lost, this, &WaylandClipboard::onLost,
            Qt::QueuedConnection);
}

void WaylandClipboard::onSelection(OfferKey offer)
{
    if (!m_reading)
        return take(offer);
    // Only the newest of the selections that came during a read is worth reading.
    if (m_next && *m_next)
        m_connection->dropOffer(*m_next);
    m_next = offer;
}

void WaylandClipboard::take(OfferKey offer)
{
    if (!offer)
        return publish(std::nullopt);
    const QList<QByteArray> types = m_connection->offerTypes(offer);
    m_reading = offer;
    // Our own copy coming back: we know its text without asking ourselves, and
    // the manager has seen it already.
    if (OfferTypes::isOwnCopy(types))
        return publish(m_ownText, false);
    // Text selected in our own panel is the user reading the history, not adding
    // to it.
    if (m_selection == DataControlConnection::Selection::Primary && qGuiApp &&
        QGuiApplication::clipboard()->ownsSelection())
        return publish(std::nullopt, false);
    const QList<ClipboardTextPolicy::TextType> textTypes = ClipboardTextPolicy::textTypes(types);
    if (textTypes.isEmpty())
        return publish(std::nullopt);
    if (const std::optional<qsizetype> hint = ClipboardTextPolicy::hintType(types))
        return readHintThenText(offer, types.at(*hint), textTypes.first());
    readTextOf(offer, textTypes.first());
}

void WaylandClipboard::readHintThenText(OfferKey offer, const QByteArray &hintType,
                                        const ClipboardTextPolicy::TextType &textType)
{
    // The hint is a few bytes; the secret itself is never read.
    auto hint = std::make_shared<QByteArray>();
    const bool started = receive(
        offer, hintType,
        [hint](QByteArrayView piece) {
            hint->append(piece.first(std::min(piece.size(), hintAtMost - hint->size())));
        },
        [this, offer, hint, textType](bool complete) {
            if (!complete || ClipboardTextPolicy::hintSaysSecret(*hint))
                return publish(std::nullopt);
            readTextOf(offer, textType);
        });
    if (!started)
        publish(std::nullopt);
}

void WaylandClipboard::readTextOf(OfferKey offer, const ClipboardTextPolicy::TextType &textType)
{
    // Decoded as the pieces come, so that a large text never holds up the event
    // loop in one long step.
    auto decoder = std::make_shared<ClipboardTextDecoder>(textType.encoding);
    const bool started = receive(
        offer, textType.name, [decoder](QByteArrayView piece) { decoder->append(piece); },
        [this, decoder](bool complete) {
            if (!complete) {
                if (!m_toldSlowOwner)
                    qCWarning(lcPlatform,
                              "a program stopped handing over its copied text for %lld s; "
                              "that copy was not recorded (such copies are skipped silently "
                              "from now on)",
                              static_cast<long long>(readSilence.count()));
                m_toldSlowOwner = true;
                return publish(std::nullopt);
            }
            publish(decoder->finish());
        });
    if (!started)
        publish(std::nullopt);
}

bool WaylandClipboard::receive(OfferKey offer, const QByteArray &type, PipeReader::Piece piece,
                               PipeReader::Done done)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    m_connection->receive(offer, type, fds[1]);
    // A reader that is done may still be in its callback: let it return first.
    if (m_reader)
        m_reader->deleteLater();
    m_reader = new PipeReader(fds[0], readSilence, std::move(piece), std::move(done), this);
    return true;
}

void WaylandClipboard::publish(std::optional<QString> text, bool announce)
{
    if (m_reader) {
        m_reader->deleteLater();
        m_reader = nullptr;
    }
    if (m_reading && m_connection)
        m_connection->dropOffer(m_reading);
    m_reading = nullptr;
    m_text = std::move(text);
    if (announce)
        emit changed();
    if (m_next && m_connection) {
        const OfferKey next = *m_next;
        m_next.reset();
        take(next);
    }
}

void WaylandClipboard::serve(const QByteArray &mimeType, int fd)
{
    // The marker type carries nothing; every other type we offer is the text.
    QByteArray bytes;
    if (m_ownText && mimeType != OfferTypes::ownCopyMarker)
        bytes = m_ownText->toUtf8();
    new PipeWriter(fd, std::move(bytes), writeLimit, this);
}

void WaylandClipboard::onLost()
{
    if (!m_connection)
        return;
    qCWarning(lcPlatform,
              "lost the connection to the Wayland compositor (%s); copies are not "
              "recorded until it is back",
              m_connection->protocolName());
    delete m_reader;
    m_reading = nullptr;
    m_next.reset();
    m_connection.reset();
    m_reconnectTimer->start();
}

void WaylandClipboard::reconnect()
{
    auto opened = DataControlConnection::open(m_selection);
    auto *connection = std::get_if<std::unique_ptr<DataControlConnection>>(&opened);
    if (!connection)
        return;
    m_reconnectTimer->stop();
    attach(std::move(*connection));
    qCWarning(lcPlatform, "connected to the Wayland compositor again (%s)",
              m_connection->protocolName());
}
