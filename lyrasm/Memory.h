// The memory usage meter: the capacity of the selected chip and the bytes the
// project needs.
#pragma once

#include <cstdint>

class MemoryUsage {
  public:
    void SetCapacity(int32_t bytes) { Capacity = bytes; }
    int32_t GetCapacity() const { return Capacity; }
    int64_t GetUsed() const { return Used; }

    // Neither checks a limit: a project may grow beyond the chip, and the
    // window shows it in red.
    void Add(int64_t bytes) { Used += bytes; }
    void Sub(int64_t bytes) { Used -= bytes; }

    // Used bytes in percent of the capacity, truncated toward zero; 0 while
    // no capacity is set.
    int32_t GetPercent() const;

  private:
    int32_t Capacity = 0;
    // Kept in 64 bits: WAV headers may claim sizes up to 2 GiB each, and the
    // sum of a few of them must neither wrap nor overflow.
    int64_t Used = 0;
};
