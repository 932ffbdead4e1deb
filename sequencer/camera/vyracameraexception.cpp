#include "vyracameraexception.h"

#include <map>

namespace {

// Texts of the driver's statuses. Built during static initialisation and only
// read afterwards, so every thread may look it up without a lock.
const std::map<VyraStatus, const char *> statusTable = {
    {-1, "General error message"},
    {0, "Function executed successfully"},
    {1, "Invalid camera handle"},
    {2, "An IO request from the Vyra driver failed. Possibly the versions of the vyra_api.dll "
        "(API) and the driver file (vyra_usb.sys or vyra_eth.sys) do not match."},
    {3, "An attempt to initialize or select the camera failed (no camera connected or "
        "initialization error)."},
    {11, "Error opening a Windows registry key"},
    {12, "Error reading settings from the Windows registry"},
    {15, "The driver could not allocate memory."},
    {16, "The driver could not release the allocated memory."},
    {17, "Communication with the driver failed because no driver has been loaded."},
    {18, "The function is not supported yet."},
    {28, "The selected Colormode is invalid."},
    {30, "Invalid mage size"},
    {32, "The function can not be executed in the current camera operating mode (free run, trigger "
         "or standby)."},
    {49, "Invalid pointer or invalid memory ID"},
    {50, "File cannot be opened for writing or reading."},
    {51, "The file cannot be opened."},
    {52, "The specified file is not a valid bitmap file."},
    {53, "The bitmap size is not correct (bitmap too large)."},
    {108, "No active image memory available. You must set the memory to active using the "
          "SetImageMem() function or create a sequence using the AddToSequence() function."},
    {112, "The sequence list is empty and cannot be deleted."},
    {113, "The image memory is already included in the sequence and cannot be added again."},
    {117, "The memory could not be locked. The pointer to the buffer is invalid."},
    {118, "The device ID is invalid. Valid IDs start from 1 for USB cameras, and from 1001 for "
          "GigE cameras."},
    {119, "The board ID is invalid. Valid IDs range from 1 through 255."},
    {120, "All cameras are in use."},
    {122, "A timeout occurred. An image capturing process could not be terminated within the "
          "allowable period."},
    {123, "Invalid array"},
    {125, "One of the submitted parameters is outside the valid range or is not supported for this "
          "sensor or is not available in this mode."},
    {127, "No memory could be allocated."},
    {129, "An internal error has occured."},
    {140, "A capturing operation is in progress and must be terminated first."},
    {145, "The requested image is not available in the camera memory or is no longer valid."},
    {148, "The function cannot be used because the camera is waiting for a trigger signal."},
    {151, "A CRC error-correction problem occurred while reading the settings."},
    {152, "This function has not been enabled yet in this version."},
    {153, "The camera does not contain any calibration data."},
    {154, "The system is waiting for the kernel driver to respond."},
    {155, "The camera model used here does not support this function or setting."},
    {156, "The function is not possible as trigger is disabled."},
    {157, "The dialog was canceled without a selection so that no file could be saved."},
    {158, "An internal structure has an incorrect size."},
    {159, "The image memory has an inappropriate size to store the image in the desired format."},
    {160, "This setting is not available for the currently set pixel clock frequency."},
    {161, "This setting is not available for the currently set exposure time."},
    {162, "This setting cannot be changed while automatic exposure time control is enabled."},
    {163, "The BackBuffer surface cannot be created."},
    {164, "The BackBuffer mix surface cannot be created."},
    {165, "The BackBuffer overlay memory cannot be locked."},
    {166, "The BackBuffer overlay memory cannot be created."},
    {167, "Not supported in BackBuffer Overlay mode."},
    {168, "Back buffer surface invalid."},
    {169, "Back buffer surface not found."},
    {170, "Error releasing the overlay device context."},
    {171, "The back buffer timer could not be created."},
    {172, "The back buffer overlay was not enabled."},
    {173, "Only possible in BackBuffer mode."},
    {174, "Invalid color format"},
    {175, "Mono binning/mono sub-sampling do not support automatic white balance."},
    {176, "Invalid I2C device address"},
    {177, "The current image could not be processed."},
    {178,
     "Transfer error. Frequent transfer errors can mostly be avoided by reducing the pixel rate."},
    {179, "Parameter set is not present."},
    {180, "The camera type defined in the .ini file does not match the current camera model."},
    {181, "Invalid HIBYTE of host address"},
    {182, "The color mode is not supported in the current display mode."},
    {183, "No IR filter available"},
    {184,
     "The camera's starter firmware is not compatible with the driver and needs to be updated."},
    {185, "The Lumora library could not be found."},
    {186, "Not enough graphics memory available."},
    {187, "The image surface or overlay surface could not be created."},
    {188, "The vertex buffer could not be created."},
    {189, "The texture could not be created."},
    {190, "The overlay surface could not be locked."},
    {191, "The overlay surface could not be unlocked."},
    {192, "Could not get the device context handle for the overlay."},
    {193, "Could not release the device context handle for the overlay."},
    {194, "Function is not supported by the graphics hardware."},
    {195, "Because of other incompatible settings the function is not possible."},
    {196, "A device context handle is still open in the application."},
    {197, "The device is already paired."},
    {198, "The subnet mask of the camera and PC network card are different."},
    {199, "The subnet of the camera and PC network card are different."},
    {200, "The configuration of the IP address is invalid."},
    {201, "The device is not compatible to the drivers."},
    {202,
     "The settings for the image size of the camera are not compatible to the PC network card."},
    {203, "The configuration of the network card is invalid."},
    {204, "The configuration of the CPU idle has failed."},
    {205, "The camera is busy ad cannot transfer the requested image."},
    {206, "The initialization of the sensor failed."},
};

const char *const unknownStatusText = "Unknown Vyra error.";

std::string composeMessage(VyraStatus status)
{
    const auto entry = statusTable.find(status);
    std::string message = entry != statusTable.end() ? entry->second : unknownStatusText;
    message += " (";
    message += std::to_string(status);
    message += ")";
    return message;
}

} // namespace

// Every check names its call site, but users see only the driver's message:
// the site is accepted and not kept.
VyraCameraException::VyraCameraException(VyraStatus status, const char * /*sourceFile*/,
                                         const char * /*method*/, int /*line*/)
    : m_status(status), m_message(composeMessage(status))
{
}

const char *VyraCameraException::what() const noexcept
{
    return m_message.c_str();
}

void checkDriverStatus(VyraStatus status, const char *sourceFile, const char *method, int line)
{
    if (status != VYRA_SUCCESS) {
        throw VyraCameraException(status, sourceFile, method, line);
    }
}
