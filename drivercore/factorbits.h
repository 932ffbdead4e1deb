#pragma once

#include <cstdint>
#include <string>

#include "vyradriver.h"

namespace VyraSim {

/// A binning or subsampling factor and its mode bit in each direction.
struct FactorBits
{
    int factor;
    int32_t horizontal;
    int32_t vertical;

    int32_t bit(bool horizontalDirection) const
    {
        return horizontalDirection ? horizontal : vertical;
    }
    /// "2x", "16x", ...
    std::string name() const { return std::to_string(factor) + "x"; }
};

/// Every factor above 1 (factor 1 has no bit), in ascending order.
inline constexpr FactorBits factorBitsTable[] = {
    {2, VYRA_FACTOR_2X_HORIZONTAL, VYRA_FACTOR_2X_VERTICAL},
    {3, VYRA_FACTOR_3X_HORIZONTAL, VYRA_FACTOR_3X_VERTICAL},
    {4, VYRA_FACTOR_4X_HORIZONTAL, VYRA_FACTOR_4X_VERTICAL},
    {5, VYRA_FACTOR_5X_HORIZONTAL, VYRA_FACTOR_5X_VERTICAL},
    {6, VYRA_FACTOR_6X_HORIZONTAL, VYRA_FACTOR_6X_VERTICAL},
    {8, VYRA_FACTOR_8X_HORIZONTAL, VYRA_FACTOR_8X_VERTICAL},
    {16, VYRA_FACTOR_16X_HORIZONTAL, VYRA_FACTOR_16X_VERTICAL},
};

/// The mode bit of factor in one direction (0 for factor 1); false for a
/// factor that has no bit.
inline bool factorToBit(int factor, bool horizontal, int32_t *bit)
{
    if (factor == 1) {
        *bit = 0;
        return true;
    }
    for (const FactorBits &entry : factorBitsTable) {
        if (entry.factor == factor) {
            *bit = entry.bit(horizontal);
            return true;
        }
    }
    return false;
}

/// The factor of one direction that mode bits name (1 when none is set).
inline int factorOfBits(int32_t modeBits, bool horizontal)
{
    for (const FactorBits &entry : factorBitsTable) {
        if (modeBits & entry.bit(horizontal))
            return entry.factor;
    }
    return 1;
}

} // namespace VyraSim
