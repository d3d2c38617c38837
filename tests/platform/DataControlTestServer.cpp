#include "DataControlTestServer.h"

#include "DataControlProtocol.h"

#include <QList>

#include <algorithm>
#include <unistd.h>
#include <vector>
#include <wayland-server.h>

// Both protocols' messages in the order our protocol files give them: request
// handlers as libwayland-server calls them, events by opcode.
namespace {

struct ManagerRequests
{
    void (*createDataSource)(wl_client *, wl_resource *, uint32_t id);
    void (*getDataDevice)(wl_client *, wl_resource *, uint32_t id, wl_resource *seat);
    void (*destroy)(wl_client *, wl_resource *);
};
struct DeviceRequests
{
    void (*setSelection)(wl_client *, wl_resource *, wl_resource *source);
    void (*destroy)(wl_client *, wl_resource *);
    void (*setPrimarySelection)(wl_client *, wl_resource *, wl_resource *source);
};
struct SourceRequests
{
    void (*offer)(wl_client *, wl_resource *, const char *mimeType);
    void (*destroy)(wl_client *, wl_resource *);
};
struct OfferRequests
{
    void (*receive)(wl_client *, wl_resource *, const char *mimeType, int32_t fd);
    void (*destroy)(wl_client *, wl_resource *);
};

enum DeviceEvent : uint32_t { DataOffer = 0, Selection = 1 };
enum SourceEvent : uint32_t { Send = 0, Cancelled = 1 };
enum OfferEvent : uint32_t { OfferType = 0 };

} // namespace

struct DataControlTestServer::State
{
    struct Global
    {
        State *state;
        const DataControlProtocol *protocol;
    };
    Global ext{this, &DataControl::ext()};
    Global wlr{this, &DataControl::wlr()};
    std::vector<wl_resource *> devices;
    // The selection's source, and the types it offered.
    wl_resource *selection = nullptr;
    std::vector<std::pair<wl_resource *, QList<QByteArray>>> sources;

    QList<QByteArray> *typesOf(wl_resource *source)
    {
        for (auto &[resource, types] : sources) {
            if (resource == source)
                return &types;
        }
        return nullptr;
    }

    void announce(wl_resource *device)
    {
        if (!selection) {
            wl_resource_post_event(device, Selection, nullptr);
            return;
        }
        const auto *global = static_cast<const Global *>(wl_resource_get_user_data(device));
        wl_resource *offer =
            wl_resource_create(wl_resource_get_client(device), global->protocol->offer,
                               wl_resource_get_version(device), 0);
        static const OfferRequests offerRequests{&receive, &destroyResource};
        wl_resource_set_implementation(offer, &offerRequests, selection, nullptr);
        wl_resource_post_event(device, DataOffer, offer);
        for (const QByteArray &type : *typesOf(selection))
            wl_resource_post_event(offer, OfferType, type.constData());
        wl_resource_post_event(device, Selection, offer);
    }

    void setSelection(wl_resource *source)
    {
        if (selection && selection != source)
            wl_resource_post_event(selection, Cancelled);
        selection = source;
        for (wl_resource *device : devices)
            announce(device);
    }

    static State *of(wl_resource *resource)
    {
        return static_cast<const Global *>(wl_resource_get_user_data(resource))->state;
    }

    static void destroyResource(wl_client *, wl_resource *resource)
    {
        wl_resource_destroy(resource);
    }

    static void receive(wl_client *, wl_resource *offer, const char *mimeType, int32_t fd)
    {
        // Offers of a replaced selection are answered with nothing.
        auto *source = static_cast<wl_resource *>(wl_resource_get_user_data(offer));
        if (source == current->selection)
            wl_resource_post_event(source, Send, mimeType, fd);
        ::close(fd);
    }

    // The one server's state, for handlers whose resources carry other data.
    static inline State *current = nullptr;
};

namespace {

using State = DataControlTestServer::State;

void sourceOffer(wl_client *, wl_resource *source, const char *mimeType)
{
    if (QList<QByteArray> *types = State::current->typesOf(source))
        types->append(QByteArray(mimeType));
}

void sourceGone(wl_resource *source)
{
    State *state = State::current;
    std::erase_if(state->sources, [source](const auto &entry) { return entry.first == source; });
    if (state->selection == source) {
        state->selection = nullptr;
        for (wl_resource *device : state->devices)
            state->announce(device);
    }
}

void deviceSetSelection(wl_client *, wl_resource *device, wl_resource *source)
{
    State::of(device)->setSelection(source);
}

void deviceIgnore(wl_client *, wl_resource *, wl_resource *) {}

void deviceGone(wl_resource *device)
{
    std::erase(State::of(device)->devices, device);
}

void createDataSource(wl_client *client, wl_resource *manager, uint32_t id)
{
    const auto *global = static_cast<const State::Global *>(wl_resource_get_user_data(manager));
    wl_resource *source =
        wl_resource_create(client, global->protocol->source, wl_resource_get_version(manager), id);
    static const SourceRequests sourceRequests{&sourceOffer, &State::destroyResource};
    wl_resource_set_implementation(source, &sourceRequests, nullptr, &sourceGone);
    global->state->sources.emplace_back(source, QList<QByteArray>());
}

void getDataDevice(wl_client *client, wl_resource *manager, uint32_t id, wl_resource *)
{
    auto *global = static_cast<State::Global *>(wl_resource_get_user_data(manager));
    wl_resource *device =
        wl_resource_create(client, global->protocol->device, wl_resource_get_version(manager), id);
    static const DeviceRequests deviceRequests{&deviceSetSelection, &State::destroyResource,
                                               &deviceIgnore};
    wl_resource_set_implementation(device, &deviceRequests, global, &deviceGone);
    global->state->devices.push_back(device);
    global->state->announce(device);
}

void bindManager(wl_client *client, void *data, uint32_t version, uint32_t id)
{
    auto *global = static_cast<State::Global *>(data);
    wl_resource *manager = wl_resource_create(client, global->protocol->manager, int(version), id);
    static const ManagerRequests managerRequests{&createDataSource, &getDataDevice,
                                                 &State::destroyResource};
    wl_resource_set_implementation(manager, &managerRequests, global, nullptr);
}

void bindSeat(wl_client *client, void *, uint32_t version, uint32_t id)
{
    // Our client never asks the seat for anything.
    wl_resource_create(client, &wl_seat_interface, int(version), id);
}

} // namespace

DataControlTestServer::DataControlTestServer(const QByteArray &socketName, Globals globals)
    : m_display(wl_display_create()), m_state(std::make_unique<State>())
{
    State::current = m_state.get();
    wl_global_create(m_display, &wl_seat_interface, 1, nullptr, &bindSeat);
    if (globals.ext)
        wl_global_create(m_display, DataControl::ext().manager, 1, &m_state->ext, &bindManager);
    if (globals.wlr)
        wl_global_create(m_display, DataControl::wlr().manager, 2, &m_state->wlr, &bindManager);
    m_listening = wl_display_add_socket(m_display, socketName.constData()) == 0;
    if (m_listening)
        m_thread = std::thread([display = m_display] { wl_display_run(display); });
}

DataControlTestServer::~DataControlTestServer()
{
    if (m_thread.joinable()) {
        wl_display_terminate(m_display);
        m_thread.join();
    }
    wl_display_destroy_clients(m_display);
    wl_display_destroy(m_display);
    State::current = nullptr;
}
