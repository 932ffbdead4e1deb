#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QThread>
#include <QVariant>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "simcontrol.h"

namespace CameraTest {

constexpr int32_t firstDeviceId = 1;
constexpr int32_t secondDeviceId = 2;

/// The default small sensor (1280 x 1024) under a fixed device ID.
inline VyraSim::CameraSpec smallCamera(int32_t deviceId = firstDeviceId)
{
    VyraSim::CameraSpec description;
    description.deviceId = deviceId;
    description.cameraName = "VK1240C-USB";
    return description;
}

/// The large default sensor (1936 x 1216).
inline VyraSim::CameraSpec largeCamera(int32_t deviceId = secondDeviceId)
{
    VyraSim::CameraSpec description;
    description.deviceId = deviceId;
    description.model = "VK2230C";
    description.cameraName = "VK2230C-USB";
    description.serialNumber = "4102000002";
    description.sensorName = "VS2230C";
    description.sensorWidth = 1936;
    description.sensorHeight = 1216;
    return description;
}

/// A clean simulated world holding exactly these cameras, with an empty call log.
inline bool resetWorld(const std::vector<VyraSim::CameraSpec> &cameras = {smallCamera()})
{
    VyraSim::Control::resetToDefaults();
    if (!VyraSim::Control::setCameras(cameras)) {
        return false;
    }
    VyraSim::Control::clearCalls();
    return true;
}

/// The recorded calls of one operation (and command, when given).
inline std::vector<VyraSim::CallRecord> callsOf(const std::string &operation,
                                                std::optional<int64_t> command = std::nullopt)
{
    std::vector<VyraSim::CallRecord> result;
    for (const VyraSim::CallRecord &call : VyraSim::Control::calls()) {
        if (call.operation == operation && (!command || call.command == *command)) {
            result.push_back(call);
        }
    }
    return result;
}

inline int callCount(const std::string &operation, std::optional<int64_t> command = std::nullopt)
{
    return static_cast<int>(callsOf(operation, command).size());
}

/// Calls of the operation made by a thread other than the test's own.
inline int backgroundCallCount(const std::string &operation)
{
    const std::vector<VyraSim::CallRecord> calls = callsOf(operation);
    const std::thread::id self = std::this_thread::get_id();
    return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                          [&](const auto &call) { return call.thread != self; }));
}

inline std::optional<VyraSim::OpenCameraState> openState(VyraHandle handle)
{
    return VyraSim::Control::openCameraState(handle);
}

/// Records the emissions of a signal that another thread emits, on the
/// test's own thread (QSignalSpy connects directly and would record them on
/// the emitting thread, racing with the test). Emissions arrive while the
/// test processes events, as in QTRY_VERIFY.
class QueuedSpy : public QObject
{
public:
    template<typename Object, typename Sender, typename... Arguments>
    QueuedSpy(const Object *sender, void (Sender::*signal)(Arguments...))
    {
        connect(
            sender, signal, this,
            [this](Arguments... arguments) {
                m_emissions.append(QVariantList{QVariant::fromValue(arguments)...});
            },
            Qt::QueuedConnection);
    }

    int count() const { return m_emissions.size(); }
    const QList<QVariantList> &emissions() const { return m_emissions; }
    QVariant firstArgument(int emission = 0) const { return m_emissions.at(emission).value(0); }

private:
    QList<QVariantList> m_emissions;
};

} // namespace CameraTest
