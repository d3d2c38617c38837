#include "DataControlConnection.h"

#include "DataControlProtocol.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>
#include <wayland-client.h>

namespace {

// What the registry announced that we can use.
struct Globals
{
    uint32_t seat = 0;
    uint32_t ext = 0;
    uint32_t wlr = 0;
    uint32_t wlrVersion = 0;
};

void onGlobal(void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version)
{
    auto &globals = *static_cast<Globals *>(data);
    const QByteArray type(interface);
    if (type == "wl_seat" && globals.seat == 0)
        globals.seat = name;
    else if (type == DataControl::ext().managerName)
        globals.ext = name;
    else if (type == DataControl::wlr().managerName) {
        globals.wlr = name;
        globals.wlrVersion = version;
    }
}

void onGlobalRemove(void *, wl_registry *, uint32_t) {}

const wl_registry_listener registryListener{&onGlobal, &onGlobalRemove};

wl_proxy *asProxy(void *object)
{
    return static_cast<wl_proxy *>(object);
}

uint32_t setRequest(DataControlConnection::Selection selection)
{
    return selection == DataControlConnection::Selection::Primary ? DataControl::SetPrimarySelection
                                                                  : DataControl::SetSelection;
}

} // namespace

std::variant<std::unique_ptr<DataControlConnection>, DataControlUnavailable>
DataControlConnection::open(Selection selection)
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return DataControlUnavailable{QStringLiteral("cannot connect to the Wayland compositor"),
                                      true};
    Globals globals;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    if (wl_display_roundtrip(display) < 0) {
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
        return DataControlUnavailable{QStringLiteral("the Wayland compositor did not answer"),
                                      true};
    }
    const DataControlProtocol *protocol = nullptr;
    uint32_t name = 0;
    uint32_t version = 1;
    if (globals.ext != 0) {
        protocol = &DataControl::ext();
        name = globals.ext;
    } else if (globals.wlr != 0) {
        protocol = &DataControl::wlr();
        name = globals.wlr;
        version = std::min(globals.wlrVersion, protocol->highestVersion);
    }
    if (!protocol || globals.seat == 0) {
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
        return DataControlUnavailable{
            protocol ? QStringLiteral("the Wayland compositor offers no seat")
                     : QStringLiteral("the Wayland compositor offers no data-control manager")};
    }
    if (selection == Selection::Primary && version < protocol->primarySince) {
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
        return DataControlUnavailable{
            QStringLiteral("the Wayland compositor's data-control offers no primary selection")};
    }
    std::unique_ptr<DataControlConnection> connection(
        new DataControlConnection(display, *protocol, selection));
    connection->m_seat = asProxy(wl_registry_bind(registry, globals.seat, &wl_seat_interface, 1));
    connection->m_manager = asProxy(wl_registry_bind(registry, name, protocol->manager, version));
    wl_registry_destroy(registry);
    connection->m_device =
        wl_proxy_marshal_flags(connection->m_manager, DataControl::GetDataDevice, protocol->device,
                               version, 0, nullptr, connection->m_seat);
    static const DataControl::DeviceListener deviceListener{&onDataOffer, &onSelection, &onFinished,
                                                            &onPrimarySelection};
    wl_proxy_add_listener(connection->m_device,
                          reinterpret_cast<void (**)(void)>(
                              const_cast<DataControl::DeviceListener *>(&deviceListener)),
                          connection.get());
    if (selection == Selection::Primary) {
        connection->m_announcing = false;
        if (wl_display_roundtrip(display) < 0)
            return DataControlUnavailable{QStringLiteral("the Wayland compositor did not answer"),
                                          true};
        connection->m_announcing = true;
    }
    connection->sendRequests();
    return connection;
}

DataControlConnection::DataControlConnection(wl_display *display,
                                             const DataControlProtocol &protocol,
                                             Selection selection)
    : m_display(display), m_protocol(&protocol), m_selection(selection),
      m_notifier(new QSocketNotifier(wl_display_get_fd(display), QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &DataControlConnection::readEvents);
    // Requests made anywhere in this event loop's turn go out together before it
    // sleeps; events already read but not yet handled are handled first.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &DataControlConnection::flush);
}

DataControlConnection::~DataControlConnection()
{
    for (const auto &offer : m_offers)
        wl_proxy_destroy(asProxy(offer.first));
    destroySource();
    if (m_device)
        wl_proxy_destroy(m_device);
    if (m_manager)
        wl_proxy_destroy(m_manager);
    if (m_seat)
        wl_proxy_destroy(m_seat);
    if (!m_failed)
        wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

const char *DataControlConnection::protocolName() const
{
    return m_protocol->managerName;
}

bool DataControlConnection::offersPrimarySelection() const
{
    return m_manager && wl_proxy_get_version(m_manager) >= m_protocol->primarySince;
}

QList<QByteArray> DataControlConnection::offerTypes(OfferKey offer) const
{
    const auto found = m_offers.find(offer);
    return found == m_offers.end() ? QList<QByteArray>() : found->second;
}

void DataControlConnection::receive(OfferKey offer, const QByteArray &mimeType, int fd)
{
    if (!m_failed && m_offers.contains(offer)) {
        wl_proxy *proxy = asProxy(offer);
        wl_proxy_marshal_flags(proxy, DataControl::Receive, nullptr, wl_proxy_get_version(proxy), 0,
                               mimeType.constData(), fd);
        // The owner starts writing only once it has the request.
        sendRequests();
    }
    ::close(fd);
}

void DataControlConnection::dropOffer(OfferKey offer)
{
    const auto found = m_offers.find(offer);
    if (found == m_offers.end())
        return;
    m_offers.erase(found);
    wl_proxy *proxy = asProxy(offer);
    wl_proxy_marshal_flags(proxy, DataControl::DestroyOffer, nullptr, wl_proxy_get_version(proxy),
                           WL_MARSHAL_FLAG_DESTROY);
}

void DataControlConnection::setOwnSelection(const QList<QByteArray> &types)
{
    if (m_failed)
        return;
    destroySource();
    const uint32_t version = wl_proxy_get_version(m_manager);
    m_source = wl_proxy_marshal_flags(m_manager, DataControl::CreateDataSource, m_protocol->source,
                                      version, 0, nullptr);
    static const DataControl::SourceListener sourceListener{&onSend, &onCancelled};
    wl_proxy_add_listener(m_source,
                          reinterpret_cast<void (**)(void)>(
                              const_cast<DataControl::SourceListener *>(&sourceListener)),
                          this);
    for (const QByteArray &type : types)
        wl_proxy_marshal_flags(m_source, DataControl::Offer, nullptr, version, 0, type.constData());
    wl_proxy_marshal_flags(m_device, setRequest(m_selection), nullptr, version, 0, m_source);
    sendRequests();
}

void DataControlConnection::clearSelection()
{
    if (m_failed)
        return;
    destroySource();
    wl_proxy_marshal_flags(m_device, setRequest(m_selection), nullptr,
                           wl_proxy_get_version(m_device), 0, nullptr);
    sendRequests();
}

void DataControlConnection::destroySource()
{
    if (!m_source)
        return;
    wl_proxy_marshal_flags(m_source, DataControl::DestroySource, nullptr,
                           wl_proxy_get_version(m_source), WL_MARSHAL_FLAG_DESTROY);
    m_source = nullptr;
}

void DataControlConnection::readEvents()
{
    if (m_failed)
        return;
    if (wl_display_dispatch(m_display) < 0)
        fail();
}

void DataControlConnection::flush()
{
    if (m_failed)
        return;
    if (wl_display_dispatch_pending(m_display) < 0)
        return fail();
    if (wl_display_flush(m_display) < 0 && errno != EAGAIN)
        fail();
}

void DataControlConnection::sendRequests()
{
    // Also called from our own event handlers, so it must not dispatch.
    if (!m_failed && wl_display_flush(m_display) < 0 && errno != EAGAIN)
        fail();
}

void DataControlConnection::fail()
{
    if (m_failed)
        return;
    m_failed = true;
    // A closed socket stays readable: without this the event loop would spin.
    m_notifier->setEnabled(false);
    emit lost();
}

void DataControlConnection::onDataOffer(void *data, wl_proxy *, wl_proxy *offer)
{
    auto *self = static_cast<DataControlConnection *>(data);
    self->m_offers.emplace(offer, QList<QByteArray>());
    static const DataControl::OfferListener offerListener{&onOfferType};
    wl_proxy_add_listener(
        offer,
        reinterpret_cast<void (**)(void)>(const_cast<DataControl::OfferListener *>(&offerListener)),
        self);
}

void DataControlConnection::onOfferType(void *data, wl_proxy *offer, const char *mimeType)
{
    auto *self = static_cast<DataControlConnection *>(data);
    if (const auto found = self->m_offers.find(offer); found != self->m_offers.end())
        found->second.append(QByteArray(mimeType));
}

void DataControlConnection::onSelection(void *data, wl_proxy *, wl_proxy *offer)
{
    static_cast<DataControlConnection *>(data)->announce(Selection::Clipboard, offer);
}

void DataControlConnection::onPrimarySelection(void *data, wl_proxy *, wl_proxy *offer)
{
    static_cast<DataControlConnection *>(data)->announce(Selection::Primary, offer);
}

void DataControlConnection::announce(Selection selection, wl_proxy *offer)
{
    // Each connection follows one selection; the other's offers are let go.
    if (selection == m_selection && m_announcing) {
        emit selectionChanged(offer);
        return;
    }
    if (offer)
        dropOffer(offer);
}

void DataControlConnection::onFinished(void *data, wl_proxy *)
{
    // The device is no longer valid: as good as a lost connection.
    static_cast<DataControlConnection *>(data)->fail();
}

void DataControlConnection::onSend(void *data, wl_proxy *, const char *mimeType, int32_t fd)
{
    emit static_cast<DataControlConnection *>(data)->sendRequested(QByteArray(mimeType), fd);
}

void DataControlConnection::onCancelled(void *data, wl_proxy *source)
{
    auto *self = static_cast<DataControlConnection *>(data);
    // Another program took the clipboard. Sources we replaced are gone already.
    if (source == self->m_source)
        self->destroySource();
}
