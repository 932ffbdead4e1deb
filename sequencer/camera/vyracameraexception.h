#pragma once

#include <exception>
#include <string>

#include "vyradriver.h"

/// A failing camera driver call. The message is the driver status's text
/// followed by the status in parentheses, e.g. "Invalid camera handle (1)";
/// where in the program the call failed is deliberately not part of it.
class VyraCameraException : public std::exception
{
public:
    VyraCameraException(VyraStatus status, const char *sourceFile, const char *method, int line);

    const char *what() const noexcept override;
    /// The failing driver status.
    VyraStatus status() const { return m_status; }

private:
    VyraStatus m_status;
    std::string m_message;
};

/// Throws VyraCameraException for every status other than VYRA_SUCCESS.
/// Called right after each driver call with the caller's source file,
/// "Class::method" and source line.
void checkDriverStatus(VyraStatus status, const char *sourceFile, const char *method, int line);
