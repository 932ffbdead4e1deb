#pragma once

#include <cstddef>

/// One sequencer feature value exactly as the camera driver stores it: a
/// buffer of the feature's value size, decoded by the property editors.
/// Always passed by QSharedPointer; not copyable.
class FeatureValue
{
public:
    explicit FeatureValue(std::size_t size);
    ~FeatureValue();

    FeatureValue(const FeatureValue &) = delete;
    FeatureValue &operator=(const FeatureValue &) = delete;

    void *data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    void *m_data;
    std::size_t m_size;
};
