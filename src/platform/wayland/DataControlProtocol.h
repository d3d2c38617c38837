#pragma once

#include <cstdint>

struct wl_interface;
struct wl_proxy;

// The two data-control protocols, wlroots' (zwlr_data_control_*_v1) and the
// later ext one (ext_data_control_*_v1), carry the same messages in the same order
// with the same arguments under other names. Our code speaks both through these
// tables: the interfaces to create objects with, and one set of opcodes and
// listener layouts, checked against both generated headers at compile time.
struct DataControlProtocol
{
    const char *managerName;
    const wl_interface *manager;
    const wl_interface *device;
    const wl_interface *source;
    const wl_interface *offer;
    // The highest manager version we know how to use.
    std::uint32_t highestVersion;
    // The first manager version with the primary selection.
    std::uint32_t primarySince;
};

namespace DataControl {

const DataControlProtocol &ext();
const DataControlProtocol &wlr();

// Request opcodes, the same in both protocols.
enum ManagerRequest : std::uint32_t { CreateDataSource = 0, GetDataDevice = 1, DestroyManager = 2 };
enum DeviceRequest : std::uint32_t { SetSelection = 0, DestroyDevice = 1, SetPrimarySelection = 2 };
enum SourceRequest : std::uint32_t { Offer = 0, DestroySource = 1 };
enum OfferRequest : std::uint32_t { Receive = 0, DestroyOffer = 1 };

// Event listeners, laid out as both protocols' generated listener structs.
struct DeviceListener
{
    void (*dataOffer)(void *data, wl_proxy *device, wl_proxy *offer);
    void (*selection)(void *data, wl_proxy *device, wl_proxy *offer);
    void (*finished)(void *data, wl_proxy *device);
    void (*primarySelection)(void *data, wl_proxy *device, wl_proxy *offer);
};

struct SourceListener
{
    void (*send)(void *data, wl_proxy *source, const char *mimeType, std::int32_t fd);
    void (*cancelled)(void *data, wl_proxy *source);
};

struct OfferListener
{
    void (*offer)(void *data, wl_proxy *offer, const char *mimeType);
};

} // namespace DataControl
