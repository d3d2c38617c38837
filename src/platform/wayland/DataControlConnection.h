#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <variant>

struct DataControlProtocol;
struct wl_display;
struct wl_proxy;
struct wl_registry;
class QSocketNotifier;

// Why no data-control connection could be made.
struct DataControlUnavailable
{
    QString reason;
    // No compositor answered at all, as opposed to one without data-control.
    bool noCompositor = false;
};

// One Wayland connection of our own (not Qt's, which may not even be Wayland)
// with a data-control device on the first seat. It turns the protocol's events
// into signals and its requests into calls; every object it creates dies with it.
//
// Events are read when the socket is readable, requests flushed whenever the
// event loop is about to sleep, so an idle connection costs no wakeups.
class DataControlConnection final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DataControlConnection)

public:
    // An offer announced by the compositor, known by this key until dropped.
    // Opaque, since the meta-object system needs complete pointee types.
    using OfferKey = void *;

    // Which selection the connection follows and sets: the clipboard, or the
    // primary selection (the text selected with the mouse).
    enum class Selection { Clipboard, Primary };

    // Connects to the compositor named by WAYLAND_DISPLAY and binds a data-control
    // manager: ext when offered, else wlroots'.
    // Returns why not when there is no compositor or no manager, or, for the
    // primary selection, none that offers it. A primary connection announces no
    // selection made before it opened: that was made before anyone asked for it.
    static std::variant<std::unique_ptr<DataControlConnection>, DataControlUnavailable>
    open(Selection selection = Selection::Clipboard);
    ~DataControlConnection() override;

    // The manager's interface name, for the log.
    const char *protocolName() const;
    // Whether the manager bound offers the primary selection too.
    bool offersPrimarySelection() const;

    QList<QByteArray> offerTypes(OfferKey offer) const;
    // Asks the offer's owner to write `mimeType` into `fd`; closes our copy of it.
    void receive(OfferKey offer, const QByteArray &mimeType, int fd);
    void dropOffer(OfferKey offer);

    // Makes a new source of ours offering `types` the selection; the previous
    // source of ours is destroyed.
    void setOwnSelection(const QList<QByteArray> &types);
    // Leaves no selection at all.
    void clearSelection();

signals:
    // A new selection of the kind followed; `offer` is null when it was cleared.
    void selectionChanged(DataControlConnection::OfferKey offer);
    // Someone pastes our selection: write it into `fd` and close it.
    void sendRequested(const QByteArray &mimeType, int fd);
    // The compositor went away or refused us; no request works any more. May be
    // emitted while an event is handled: delete the connection later, not at once.
    void lost();

private:
    DataControlConnection(wl_display *display, const DataControlProtocol &protocol,
                          Selection selection);
    void announce(Selection selection, wl_proxy *offer);
    void readEvents();
    void flush();
    void sendRequests();
    void fail();
    void destroySource();

    static void onDataOffer(void *data, wl_proxy *device, wl_proxy *offer);
    static void onSelection(void *data, wl_proxy *device, wl_proxy *offer);
    static void onFinished(void *data, wl_proxy *device);
    static void onPrimarySelection(void *data, wl_proxy *device, wl_proxy *offer);
    static void onOfferType(void *data, wl_proxy *offer, const char *mimeType);
    static void onSend(void *data, wl_proxy *source, const char *mimeType, int32_t fd);
    static void onCancelled(void *data, wl_proxy *source);

    wl_display *m_display;
    const DataControlProtocol *m_protocol;
    Selection m_selection;
    // Until the first round trip is done, the selection the compositor sends is
    // the one that was there before; see open().
    bool m_announcing = true;
    wl_proxy *m_seat = nullptr;
    wl_proxy *m_manager = nullptr;
    wl_proxy *m_device = nullptr;
    wl_proxy *m_source = nullptr;
    std::map<OfferKey, QList<QByteArray>> m_offers;
    QSocketNotifier *m_notifier = nullptr;
    bool m_failed = false;
};
