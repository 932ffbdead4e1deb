#include "genicamdevice.h"

namespace VyraAravis {

GenicamDevice::GenicamDevice(ArvCamera *camera) : camera_(camera)
{
}

GenicamDevice::~GenicamDevice()
{
    g_clear_object(&camera_);
}

ArvDevice *GenicamDevice::device() const
{
    return arv_camera_get_device(camera_);
}

VyraStatus GenicamDevice::statusOf(GError *error)
{
    if (error == nullptr)
        return VYRA_SUCCESS;
    VyraStatus status = VYRA_IO_REQUEST_FAILED;
    if (error->domain == arv_gc_error_quark()) {
        switch (error->code) {
        case ARV_GC_ERROR_OUT_OF_RANGE:
        case ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND:
        case ARV_GC_ERROR_INVALID_LENGTH:
        case ARV_GC_ERROR_READ_ONLY:
            status = VYRA_INVALID_PARAMETER;
            break;
        case ARV_GC_ERROR_NODE_NOT_FOUND:
        case ARV_GC_ERROR_PROPERTY_NOT_DEFINED:
        case ARV_GC_ERROR_PVALUE_NOT_DEFINED:
        case ARV_GC_ERROR_EMPTY_ENUMERATION:
            status = VYRA_NOT_SUPPORTED;
            break;
        default:
            status = VYRA_IO_REQUEST_FAILED;
            break;
        }
    } else if (error->domain == arv_device_error_quark()) {
        switch (error->code) {
        case ARV_DEVICE_ERROR_FEATURE_NOT_FOUND:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_NOT_IMPLEMENTED:
            status = VYRA_NOT_SUPPORTED;
            break;
        case ARV_DEVICE_ERROR_INVALID_PARAMETER:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_PARAMETER:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT:
            status = VYRA_INVALID_PARAMETER;
            break;
        case ARV_DEVICE_ERROR_NOT_CONNECTED:
        case ARV_DEVICE_ERROR_NOT_FOUND:
            status = VYRA_CANT_OPEN_DEVICE;
            break;
        case ARV_DEVICE_ERROR_NOT_CONTROLLER:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY:
            status = VYRA_DEVICE_BUSY;
            break;
        case ARV_DEVICE_ERROR_TIMEOUT:
            status = VYRA_TIMED_OUT;
            break;
        default:
            status = VYRA_IO_REQUEST_FAILED;
            break;
        }
    }
    g_error_free(error);
    return status;
}

bool GenicamDevice::has(const char *feature) const
{
    GError *error = nullptr;
    const bool available = arv_camera_is_feature_available(camera_, feature, &error);
    return statusOf(error) == VYRA_SUCCESS && available;
}

std::vector<std::string> GenicamDevice::entries(const char *feature) const
{
    std::vector<std::string> names;
    if (!has(feature))
        return names;
    GError *error = nullptr;
    guint count = 0;
    const char **list =
        arv_camera_dup_available_enumerations_as_strings(camera_, feature, &count, &error);
    if (statusOf(error) == VYRA_SUCCESS && list != nullptr) {
        for (guint i = 0; i < count; ++i)
            names.emplace_back(list[i]);
    }
    g_free(list);
    return names;
}

bool GenicamDevice::hasEntry(const char *feature, const char *entry) const
{
    for (const std::string &name : entries(feature)) {
        if (name == entry)
            return true;
    }
    return false;
}

VyraStatus GenicamDevice::integer(const char *feature, int64_t *value) const
{
    GError *error = nullptr;
    const gint64 read = arv_camera_get_integer(camera_, feature, &error);
    const VyraStatus status = statusOf(error);
    if (status == VYRA_SUCCESS)
        *value = read;
    return status;
}

VyraStatus GenicamDevice::setInteger(const char *feature, int64_t value)
{
    GError *error = nullptr;
    arv_camera_set_integer(camera_, feature, value, &error);
    return statusOf(error);
}

VyraStatus GenicamDevice::integerBounds(const char *feature, int64_t *minimum,
                                        int64_t *maximum) const
{
    GError *error = nullptr;
    gint64 low = 0;
    gint64 high = 0;
    arv_camera_get_integer_bounds(camera_, feature, &low, &high, &error);
    const VyraStatus status = statusOf(error);
    if (status == VYRA_SUCCESS) {
        *minimum = low;
        *maximum = high;
    }
    return status;
}

int64_t GenicamDevice::integerIncrement(const char *feature) const
{
    GError *error = nullptr;
    const gint64 increment = arv_camera_get_integer_increment(camera_, feature, &error);
    return statusOf(error) == VYRA_SUCCESS && increment > 0 ? increment : 1;
}

VyraStatus GenicamDevice::real(const char *feature, double *value) const
{
    GError *error = nullptr;
    const double read = arv_camera_get_float(camera_, feature, &error);
    const VyraStatus status = statusOf(error);
    if (status == VYRA_SUCCESS)
        *value = read;
    return status;
}

VyraStatus GenicamDevice::setReal(const char *feature, double value)
{
    GError *error = nullptr;
    arv_camera_set_float(camera_, feature, value, &error);
    return statusOf(error);
}

VyraStatus GenicamDevice::realBounds(const char *feature, double *minimum, double *maximum) const
{
    GError *error = nullptr;
    double low = 0.0;
    double high = 0.0;
    arv_camera_get_float_bounds(camera_, feature, &low, &high, &error);
    const VyraStatus status = statusOf(error);
    if (status == VYRA_SUCCESS) {
        *minimum = low;
        *maximum = high;
    }
    return status;
}

double GenicamDevice::realIncrement(const char *feature) const
{
    GError *error = nullptr;
    const double increment = arv_camera_get_float_increment(camera_, feature, &error);
    return statusOf(error) == VYRA_SUCCESS && increment > 0.0 ? increment : 0.0;
}

VyraStatus GenicamDevice::text(const char *feature, std::string *value) const
{
    GError *error = nullptr;
    const char *read = arv_camera_get_string(camera_, feature, &error);
    const VyraStatus status = statusOf(error);
    if (status == VYRA_SUCCESS)
        value->assign(read != nullptr ? read : "");
    return status;
}

VyraStatus GenicamDevice::setText(const char *feature, const char *value)
{
    GError *error = nullptr;
    arv_camera_set_string(camera_, feature, value, &error);
    return statusOf(error);
}

VyraStatus GenicamDevice::setBoolean(const char *feature, bool value)
{
    GError *error = nullptr;
    arv_camera_set_boolean(camera_, feature, value ? TRUE : FALSE, &error);
    return statusOf(error);
}

VyraStatus GenicamDevice::execute(const char *command)
{
    GError *error = nullptr;
    arv_camera_execute_command(camera_, command, &error);
    return statusOf(error);
}

} // namespace VyraAravis
