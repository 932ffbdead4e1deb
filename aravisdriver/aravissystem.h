#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "araviscamera.h"
#include "eventregistry.h"
#include "vyradriver.h"

namespace VyraAravis {

/// The driver's view of Aravis: the cameras its discovery finds, with the
/// device IDs the boundary knows them by, the cameras this process has open,
/// and the device events.
///
/// A discovery thread looks for cameras every second. It signals a camera
/// that appears (VYRA_EVENT_DEVICE_CONNECTED) or goes (VYRA_EVENT_DEVICE_REMOVED),
/// and opens again a camera whose control was lost once it answers again.
///
/// Environment: VYRA_ARAVIS_FAKE=1 adds Aravis' in-process fake camera
/// ("Fake_1") to the cameras found.
///
/// Thread-safe. Aravis' device list is only touched under one lock.
class AravisSystem
{
public:
    static AravisSystem &instance();
    ~AravisSystem();

    VyraStatus countCameras(int32_t *count);
    VyraStatus listCameras(VyraCameraList *list);
    VyraStatus openCamera(VyraHandle *handle);
    VyraStatus closeCamera(VyraHandle handle);
    std::shared_ptr<AravisCamera> camera(VyraHandle handle) const;

    VyraSim::EventRegistry &events() { return events_; }

private:
    /// Device IDs of GigE Vision cameras start here, as on the maker's driver.
    static constexpr int32_t firstNetworkDeviceId = 1001;

    AravisSystem();
    /// Reads Aravis' device list anew; signals what came and went.
    void discover();
    void discoveryLoop();
    void ensureDiscovered();
    VyraCameraRecord record(const DeviceIdentity &device, int32_t position) const;

    mutable std::mutex aravisMutex_; ///< Aravis' device list and opening
    mutable std::mutex mutex_;       ///< everything below
    std::condition_variable wake_;
    bool discovered_ = false;
    bool stop_ = false;
    std::vector<DeviceIdentity> devices_;
    std::map<std::string, int32_t> deviceIds_;
    int32_t nextLocalId_ = 1;
    int32_t nextNetworkId_ = firstNetworkDeviceId;
    std::map<VyraHandle, std::shared_ptr<AravisCamera>> cameras_;
    VyraHandle nextHandle_ = 1;
    VyraSim::EventRegistry events_;
    std::thread discovery_;
};

} // namespace VyraAravis
