#include "DataControlProtocol.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace DataControl {

// The shared code is right for both protocols only while these hold.
static_assert(ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE == CreateDataSource);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE == CreateDataSource);
static_assert(ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE == GetDataDevice);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE == GetDataDevice);
static_assert(ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY == DestroyManager);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_DESTROY == DestroyManager);
static_assert(ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION == SetSelection);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION == SetSelection);
static_assert(ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY == DestroyDevice);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_DESTROY == DestroyDevice);
static_assert(ZWLR_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION == SetPrimarySelection);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION == SetPrimarySelection);
static_assert(ZWLR_DATA_CONTROL_DEVICE_V1_PRIMARY_SELECTION_SINCE_VERSION == 2);
static_assert(ZWLR_DATA_CONTROL_SOURCE_V1_OFFER == Offer);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_OFFER == Offer);
static_assert(ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY == DestroySource);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_DESTROY == DestroySource);
static_assert(ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE == Receive);
static_assert(EXT_DATA_CONTROL_OFFER_V1_RECEIVE == Receive);
static_assert(ZWLR_DATA_CONTROL_OFFER_V1_DESTROY == DestroyOffer);
static_assert(EXT_DATA_CONTROL_OFFER_V1_DESTROY == DestroyOffer);
static_assert(sizeof(DeviceListener) == sizeof(zwlr_data_control_device_v1_listener));
static_assert(sizeof(DeviceListener) == sizeof(ext_data_control_device_v1_listener));
static_assert(sizeof(SourceListener) == sizeof(zwlr_data_control_source_v1_listener));
static_assert(sizeof(SourceListener) == sizeof(ext_data_control_source_v1_listener));
static_assert(sizeof(OfferListener) == sizeof(zwlr_data_control_offer_v1_listener));
static_assert(sizeof(OfferListener) == sizeof(ext_data_control_offer_v1_listener));

const DataControlProtocol &ext()
{
    static const DataControlProtocol protocol{"ext_data_control_manager_v1",
                                              &ext_data_control_manager_v1_interface,
                                              &ext_data_control_device_v1_interface,
                                              &ext_data_control_source_v1_interface,
                                              &ext_data_control_offer_v1_interface,
                                              1,
                                              1};
    return protocol;
}

const DataControlProtocol &wlr()
{
    // Version 1 lacks only the primary selection.
    static const DataControlProtocol protocol{"zwlr_data_control_manager_v1",
                                              &zwlr_data_control_manager_v1_interface,
                                              &zwlr_data_control_device_v1_interface,
                                              &zwlr_data_control_source_v1_interface,
                                              &zwlr_data_control_offer_v1_interface,
                                              2,
                                              2};
    return protocol;
}

} // namespace DataControl
