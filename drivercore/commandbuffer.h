#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "vyradriver.h"

namespace VyraSim {

/// A command's output buffer receives value: VYRA_INVALID_MEMORY_POINTER
/// for a null buffer, VYRA_INVALID_PARAMETER when size is not the value's.
template<class T> inline VyraStatus writeOut(void *buffer, uint32_t size, const T &value)
{
    if (buffer == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (size != sizeof(T))
        return VYRA_INVALID_PARAMETER;
    std::memcpy(buffer, &value, sizeof(T));
    return VYRA_SUCCESS;
}

/// A command's input buffer as a value, with the statuses of writeOut.
template<class T> inline VyraStatus readIn(const void *buffer, uint32_t size, T *value)
{
    if (buffer == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (size != sizeof(T))
        return VYRA_INVALID_PARAMETER;
    std::memcpy(value, buffer, sizeof(T));
    return VYRA_SUCCESS;
}

/// A text field of a record: text cut to fit, the rest of the field zero.
inline void copyText(char *field, size_t fieldSize, const std::string &text)
{
    std::memset(field, 0, fieldSize);
    std::memcpy(field, text.data(), std::min(text.size(), fieldSize - 1));
}

} // namespace VyraSim
