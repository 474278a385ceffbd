#include "Memory.h"

#include <limits>

int32_t MemoryUsage::GetPercent() const {
    if (Capacity == 0) return 0;
    int64_t percent = Used * 100 / Capacity;
    if (percent > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (percent < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(percent);
}
