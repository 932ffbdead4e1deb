#include "aravissystem.h"

#include <arv.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "commandbuffer.h"

namespace VyraAravis {

namespace {

constexpr auto discoveryInterval = std::chrono::seconds(1);

std::string text(const char *value)
{
    return value != nullptr ? value : "";
}

/// The short name of a transport, for the camera name.
std::string transportName(const std::string &protocol)
{
    if (protocol == "GigEVision")
        return "GigE";
    if (protocol == "USB3Vision")
        return "USB";
    return protocol;
}

/// The model with its transport, as in "Fake-GigE"; a transport that only
/// repeats the model (Aravis' in-process fake camera, model and protocol
/// "Fake") adds nothing.
std::string cameraName(const DeviceIdentity &device)
{
    const std::string transport = transportName(device.protocol);
    if (transport.empty() || transport == device.model)
        return device.model;
    return device.model + "-" + transport;
}

} // namespace

AravisSystem &AravisSystem::instance()
{
    static AravisSystem system;
    return system;
}

AravisSystem::AravisSystem()
{
    const char *fake = std::getenv("VYRA_ARAVIS_FAKE");
    if (fake != nullptr && std::strcmp(fake, "1") == 0)
        arv_enable_interface("Fake");
    discovery_ = std::thread(&AravisSystem::discoveryLoop, this);
}

AravisSystem::~AravisSystem()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        wake_.notify_all();
    }
    discovery_.join();
    std::map<VyraHandle, std::shared_ptr<AravisCamera>> cameras;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cameras.swap(cameras_);
    }
    for (auto &entry : cameras)
        entry.second->close();
}

void AravisSystem::discoveryLoop()
{
    // VYRA_ARAVIS_STATISTICS names a file that gets, every second, a line per
    // open camera: seconds since start, handle, images received, images described.
    const char *statistics = std::getenv("VYRA_ARAVIS_STATISTICS");
    const auto started = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        lock.unlock();
        discover();
        lock.lock();
        if (statistics != nullptr && *statistics != '\0') {
            if (FILE *file = std::fopen(statistics, "a")) {
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started)
                        .count();
                for (const auto &entry : cameras_) {
                    uint64_t received = 0, described = 0;
                    entry.second->statistics(&received, &described);
                    std::fprintf(file, "%.3f %u %llu %llu\n", seconds, entry.first,
                                 static_cast<unsigned long long>(received),
                                 static_cast<unsigned long long>(described));
                }
                std::fclose(file);
            }
        }
        wake_.wait_for(lock, discoveryInterval, [this] { return stop_; });
    }
}

void AravisSystem::ensureDiscovered()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (discovered_)
            return;
    }
    discover();
}

void AravisSystem::discover()
{
    std::vector<DeviceIdentity> found;
    {
        std::lock_guard<std::mutex> aravis(aravisMutex_);
        arv_update_device_list();
        const unsigned count = arv_get_n_devices();
        for (unsigned i = 0; i < count; ++i) {
            DeviceIdentity device;
            device.aravisId = text(arv_get_device_id(i));
            device.vendor = text(arv_get_device_vendor(i));
            device.model = text(arv_get_device_model(i));
            device.serial = text(arv_get_device_serial_nbr(i));
            device.protocol = text(arv_get_device_protocol(i));
            if (!device.aravisId.empty())
                found.push_back(device);
        }
    }
    bool connected = false;
    bool removed = false;
    std::vector<std::shared_ptr<AravisCamera>> lostCameras;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // A device keeps its ID for as long as the process runs.
        for (DeviceIdentity &device : found) {
            auto id = deviceIds_.find(device.aravisId);
            if (id == deviceIds_.end()) {
                const bool network = device.protocol == "GigEVision";
                int32_t &next = network ? nextNetworkId_ : nextLocalId_;
                id = deviceIds_.emplace(device.aravisId, next++).first;
            }
            device.deviceId = id->second;
        }
        std::set<std::string> before, after;
        for (const DeviceIdentity &device : devices_)
            before.insert(device.aravisId);
        for (const DeviceIdentity &device : found)
            after.insert(device.aravisId);
        if (discovered_) {
            connected = std::any_of(after.begin(), after.end(),
                                    [&](const std::string &id) { return !before.count(id); });
            removed = std::any_of(before.begin(), before.end(),
                                  [&](const std::string &id) { return !after.count(id); });
        }
        devices_ = std::move(found);
        discovered_ = true;
        for (const auto &entry : cameras_) {
            if (entry.second->isLost() && after.count(entry.second->identity().aravisId))
                lostCameras.push_back(entry.second);
        }
    }
    if (removed)
        events_.signal(0, VYRA_EVENT_DEVICE_REMOVED);
    if (connected)
        events_.signal(0, VYRA_EVENT_DEVICE_CONNECTED);

    // A camera whose control was lost is back once discovery finds it again.
    for (const std::shared_ptr<AravisCamera> &camera : lostCameras) {
        GError *error = nullptr;
        ArvCamera *fresh = nullptr;
        {
            std::lock_guard<std::mutex> aravis(aravisMutex_);
            fresh = arv_camera_new(camera->identity().aravisId.c_str(), &error);
        }
        if (GenicamDevice::statusOf(error) == VYRA_SUCCESS && fresh != nullptr)
            camera->reconnect(fresh);
    }
}

VyraCameraRecord AravisSystem::record(const DeviceIdentity &device, int32_t position) const
{
    VyraCameraRecord record{};
    record.cameraId = position;
    record.deviceId = device.deviceId;
    record.inUse = std::any_of(cameras_.begin(), cameras_.end(), [&](const auto &entry) {
        return entry.second->identity().aravisId == device.aravisId;
    });
    VyraSim::copyText(record.serialNumber, sizeof record.serialNumber, device.serial);
    VyraSim::copyText(record.modelName, sizeof record.modelName, device.model);
    VyraSim::copyText(record.cameraName, sizeof record.cameraName, cameraName(device));
    return record;
}

VyraStatus AravisSystem::countCameras(int32_t *count)
{
    if (count == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    ensureDiscovered();
    std::lock_guard<std::mutex> lock(mutex_);
    *count = int32_t(devices_.size());
    return VYRA_SUCCESS;
}

VyraStatus AravisSystem::listCameras(VyraCameraList *list)
{
    if (list == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (list->count < 0)
        return VYRA_INVALID_PARAMETER;
    ensureDiscovered();
    std::lock_guard<std::mutex> lock(mutex_);
    const int32_t filled = std::min<int32_t>(list->count, int32_t(devices_.size()));
    for (int32_t i = 0; i < filled; ++i)
        list->records[i] = record(devices_[size_t(i)], i + 1);
    list->count = filled;
    return VYRA_SUCCESS;
}

VyraStatus AravisSystem::openCamera(VyraHandle *handle)
{
    if (handle == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    ensureDiscovered();
    const VyraHandle word = *handle;
    const bool byDeviceId = (word & VYRA_USE_DEVICE_ID) != 0;
    const int32_t wanted = int32_t(word & ~VYRA_USE_DEVICE_ID);
    DeviceIdentity device;
    VyraHandle opened = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto held = [&](const DeviceIdentity &candidate) {
            return std::any_of(cameras_.begin(), cameras_.end(), [&](const auto &entry) {
                return entry.second->identity().aravisId == candidate.aravisId;
            });
        };
        const DeviceIdentity *chosen = nullptr;
        for (size_t i = 0; i < devices_.size() && chosen == nullptr; ++i) {
            const DeviceIdentity &candidate = devices_[i];
            // By camera ID (the list position here); 0 takes the first free camera.
            const bool matches = byDeviceId
                                     ? candidate.deviceId == wanted
                                     : (wanted == 0 ? !held(candidate) : int32_t(i + 1) == wanted);
            if (matches)
                chosen = &candidate;
        }
        if (chosen == nullptr)
            return byDeviceId ? VYRA_INVALID_DEVICE_ID
                              : (wanted == 0 ? VYRA_ALL_DEVICES_BUSY : VYRA_CANT_OPEN_DEVICE);
        if (held(*chosen))
            return VYRA_ALL_DEVICES_BUSY;
        device = *chosen;
        opened = nextHandle_++;
        if (nextHandle_ == 0 || nextHandle_ >= VYRA_USE_DEVICE_ID)
            nextHandle_ = 1;
        // Reserved while it opens, so that a second open of the camera is refused.
        cameras_[opened] = std::make_shared<AravisCamera>(
            opened, device,
            [this](VyraHandle camera, int32_t eventId) { events_.signal(camera, eventId); });
    }
    std::shared_ptr<AravisCamera> camera = this->camera(opened);
    GError *error = nullptr;
    ArvCamera *arvCamera = nullptr;
    {
        std::lock_guard<std::mutex> aravis(aravisMutex_);
        arvCamera = arv_camera_new(device.aravisId.c_str(), &error);
    }
    VyraStatus status = GenicamDevice::statusOf(error);
    if (status == VYRA_DEVICE_BUSY)
        status = VYRA_ALL_DEVICES_BUSY;
    else if (status != VYRA_SUCCESS || arvCamera == nullptr)
        status = VYRA_CANT_OPEN_DEVICE;
    if (status == VYRA_SUCCESS)
        status = camera->open(arvCamera);
    else
        g_clear_object(&arvCamera);
    if (status != VYRA_SUCCESS) {
        std::lock_guard<std::mutex> lock(mutex_);
        cameras_.erase(opened);
        return status;
    }
    *handle = opened;
    return VYRA_SUCCESS;
}

VyraStatus AravisSystem::closeCamera(VyraHandle handle)
{
    std::shared_ptr<AravisCamera> camera;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = cameras_.find(handle);
        if (it == cameras_.end())
            return VYRA_INVALID_HANDLE;
        camera = it->second;
        cameras_.erase(it);
    }
    camera->close();
    events_.dropHandle(handle);
    return VYRA_SUCCESS;
}

std::shared_ptr<AravisCamera> AravisSystem::camera(VyraHandle handle) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cameras_.find(handle);
    return it == cameras_.end() ? nullptr : it->second;
}

} // namespace VyraAravis
