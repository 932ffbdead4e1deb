#pragma once

#include <string>
#include <vector>

#include "simcontrol.h"

namespace VyraSim {

/// The rules a camera description must follow for the sensor model to work with it
/// (sizes, increments, pixel clocks, formats, text lengths); answers what is
/// wrong, or an empty text.
std::string checkCameraSpec(const CameraSpec &description);

/// Checks a whole set of cameras: each description, and that no two share a device
/// ID. Answers the index of the first bad camera and the reason, or -1.
int checkCameraSet(const std::vector<CameraSpec> &cameras, std::string *reason);

/// The cameras of the file named by VYRASIM_CAMERAS, or the embedded default
/// when the variable is unset or empty. Problems of a bad file are added to
/// problems (with their line), and the default is answered.
std::vector<CameraSpec> configuredCameras(std::vector<ConfigProblem> *problems,
                                          std::string *fileName);

} // namespace VyraSim
