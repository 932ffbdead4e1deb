#include "simworld.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "cameraconfig.h"

namespace VyraSim {

namespace {

// The largest handle before the numbering starts again from 1.
constexpr VyraHandle lastHandle = 0x7FFFFFFF;

void report(const std::vector<ConfigProblem> &problems, const std::string &fileName)
{
    if (problems.empty())
        return;
    for (const ConfigProblem &problem : problems) {
        if (problem.line > 0)
            std::fprintf(stderr, "vyrasim: %s:%d: %s\n", fileName.c_str(), problem.line,
                         problem.reason.c_str());
        else
            std::fprintf(stderr, "vyrasim: %s: %s\n", fileName.c_str(), problem.reason.c_str());
    }
    std::fprintf(stderr, "vyrasim: %s is not used; the built-in cameras are\n", fileName.c_str());
}

} // namespace

SimWorld &SimWorld::instance()
{
    // Never destroyed: application threads may still call the driver while
    // the process exits, as they may with a real driver.
    static SimWorld *world = new SimWorld;
    return *world;
}

SimWorld::SimWorld()
{
    std::vector<ConfigProblem> problems;
    std::string fileName;
    const std::vector<CameraSpec> cameras = configuredCameras(&problems, &fileName);
    report(problems, fileName);
    for (const CameraSpec &description : cameras)
        cameras_.push_back(std::make_shared<SimCamera>(description));
}

std::shared_ptr<SimCamera> SimWorld::camera(VyraHandle handle) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = open_.find(handle);
    return it == open_.end() ? nullptr : it->second;
}

std::shared_ptr<SimCamera> SimWorld::findDevice(int32_t deviceId) const
{
    for (const auto &camera : cameras_) {
        if (camera->deviceId() == deviceId)
            return camera;
    }
    return nullptr;
}

VyraHandle SimWorld::nextFreeHandle()
{
    for (;;) {
        const VyraHandle handle = nextHandle_;
        nextHandle_ = nextHandle_ == lastHandle ? 1 : nextHandle_ + 1;
        if (open_.count(handle) == 0)
            return handle;
    }
}

VyraStatus SimWorld::openCamera(VyraHandle *handle, void *window)
{
    if (handle == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (window != nullptr)
        return VYRA_INVALID_PARAMETER;
    const VyraHandle word = *handle;

    std::lock_guard<std::mutex> lock(mutex_);
    std::shared_ptr<SimCamera> camera;
    if (word & VYRA_USE_DEVICE_ID) {
        camera = findDevice(int32_t(word & ~VYRA_USE_DEVICE_ID));
        if (!camera || !camera->plugged())
            return VYRA_INVALID_DEVICE_ID;
    } else if (word == 0) {
        // Camera ID 0 asks for the first free camera.
        for (const auto &candidate : cameras_) {
            if (candidate->plugged() && !candidate->inUse()) {
                camera = candidate;
                break;
            }
        }
        if (!camera)
            return VYRA_ALL_DEVICES_BUSY;
    } else {
        for (const auto &candidate : cameras_) {
            if (candidate->plugged() && VyraHandle(candidate->cameraId()) == word) {
                camera = candidate;
                break;
            }
        }
        if (!camera)
            return VYRA_CANT_OPEN_DEVICE;
    }
    const VyraHandle opened = nextFreeHandle();
    if (VyraStatus status = camera->open(opened))
        return status;
    open_.emplace(opened, camera);
    *handle = opened;
    return VYRA_SUCCESS;
}

VyraStatus SimWorld::closeCamera(VyraHandle handle)
{
    std::shared_ptr<SimCamera> camera;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = open_.find(handle);
        if (it == open_.end())
            return VYRA_INVALID_HANDLE;
        camera = it->second;
        open_.erase(it);
    }
    camera->close(handle);
    events_.dropHandle(handle);
    return VYRA_SUCCESS;
}

VyraStatus SimWorld::countCameras(int32_t *count) const
{
    if (count == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    *count = int32_t(std::count_if(cameras_.begin(), cameras_.end(),
                                   [](const auto &camera) { return camera->plugged(); }));
    return VYRA_SUCCESS;
}

VyraStatus SimWorld::listCameras(VyraCameraList *list) const
{
    if (list == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (list->count < 0)
        return VYRA_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(mutex_);
    // The records follow the count in the caller's buffer, as many as it
    // said it has room for; they are written by address, not as an array
    // member (its declared length is 1).
    auto *records = reinterpret_cast<char *>(list) + offsetof(VyraCameraList, records);
    int32_t filled = 0;
    for (const auto &camera : cameras_) {
        if (filled == list->count)
            break;
        if (camera->plugged()) {
            const VyraCameraRecord record = camera->record();
            std::memcpy(records + size_t(filled) * sizeof record, &record, sizeof record);
            ++filled;
        }
    }
    list->count = filled;
    return VYRA_SUCCESS;
}

void SimWorld::replaceCameras(const std::vector<CameraSpec> &cameras)
{
    std::map<VyraHandle, std::shared_ptr<SimCamera>> previouslyOpen;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        previouslyOpen.swap(open_);
        cameras_.clear();
        for (const CameraSpec &description : cameras)
            cameras_.push_back(std::make_shared<SimCamera>(description));
    }
    for (auto &[handle, camera] : previouslyOpen) {
        camera->close(handle);
        events_.dropHandle(handle);
    }
}

std::vector<ConfigProblem> SimWorld::resetToDefaults()
{
    std::vector<ConfigProblem> problems;
    std::string fileName;
    const std::vector<CameraSpec> cameras = configuredCameras(&problems, &fileName);
    report(problems, fileName);
    replaceCameras(cameras);
    events_.clear();
    failures_.clear();
    callLog_.clear();
    callLog_.setEnabled(true);
    return problems;
}

bool SimWorld::setCameras(const std::vector<CameraSpec> &cameras)
{
    std::vector<CameraSpec> complete = cameras;
    int32_t nextId = 1;
    for (const CameraSpec &description : complete)
        nextId = std::max(nextId, description.deviceId + 1);
    for (CameraSpec &description : complete) {
        if (description.deviceId == 0)
            description.deviceId = nextId++;
    }
    std::string reason;
    if (checkCameraSet(complete, &reason) >= 0)
        return false;
    replaceCameras(complete);
    return true;
}

std::vector<CameraState> SimWorld::cameraStates() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<CameraState> states;
    for (const auto &camera : cameras_)
        states.push_back(camera->state());
    return states;
}

std::optional<CameraState> SimWorld::cameraState(int32_t deviceId) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::shared_ptr<SimCamera> camera = findDevice(deviceId))
        return camera->state();
    return std::nullopt;
}

bool SimWorld::setPlugged(int32_t deviceId, bool plugged)
{
    VyraHandle handle = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::shared_ptr<SimCamera> camera = findDevice(deviceId);
        if (!camera || camera->plugged() == plugged)
            return false;
        camera->setPlugged(plugged);
        handle = camera->handle();
    }
    if (handle != 0)
        events_.signal(handle, plugged ? VYRA_EVENT_CAMERA_RECONNECTED : VYRA_EVENT_CAMERA_REMOVED);
    events_.signal(0, plugged ? VYRA_EVENT_DEVICE_CONNECTED : VYRA_EVENT_DEVICE_REMOVED);
    return true;
}

int32_t SimWorld::plugIn(CameraSpec description)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (description.deviceId == 0) {
            int32_t nextId = 1;
            for (const auto &camera : cameras_) {
                if (camera->deviceId() < 1000)
                    nextId = std::max(nextId, camera->deviceId() + 1);
            }
            description.deviceId = nextId;
        }
        if (findDevice(description.deviceId) || !checkCameraSpec(description).empty())
            return -1;
        cameras_.push_back(std::make_shared<SimCamera>(description));
    }
    events_.signal(0, VYRA_EVENT_DEVICE_CONNECTED);
    return description.deviceId;
}

bool SimWorld::remove(int32_t deviceId)
{
    std::shared_ptr<SimCamera> camera;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        camera = findDevice(deviceId);
        if (!camera)
            return false;
    }
    setPlugged(deviceId, false);
    std::lock_guard<std::mutex> lock(mutex_);
    // An open handle stays valid (every call but closing fails) until the
    // application closes it.
    cameras_.erase(std::remove(cameras_.begin(), cameras_.end(), camera), cameras_.end());
    return true;
}

bool SimWorld::setInUseElsewhere(int32_t deviceId, bool inUse)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::shared_ptr<SimCamera> camera = findDevice(deviceId);
    if (!camera)
        return false;
    camera->setInUseElsewhere(inUse);
    return true;
}

std::vector<VyraHandle> SimWorld::openHandles() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<VyraHandle> handles;
    for (const auto &entry : open_)
        handles.push_back(entry.first);
    return handles;
}

} // namespace VyraSim
