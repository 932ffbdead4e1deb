#include "featurevalue.h"

#include <cstdlib>
#include <new>

FeatureValue::FeatureValue(std::size_t size)
    : m_data(std::malloc(size == 0 ? 1 : size))
    , m_size(size)
{
    if (m_data == nullptr)
        throw std::bad_alloc();
}

FeatureValue::~FeatureValue()
{
    std::free(m_data);
}
