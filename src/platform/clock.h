// Time and chance: a monotonic millisecond clock, the local calendar and random integers.
#pragma once

#include <cstdint>

namespace velmora {

int64_t ElapsedMilliseconds();
// Seconds since 1970-01-01 UTC.
int64_t NowSeconds();

struct LocalDateTime {
    int year, month, day, hour, minute, second;
};
LocalDateTime CurrentLocalDateTime();

// Uniform random integer in [low, high].
int32_t RandomInRange(int32_t low, int32_t high);

} // namespace velmora
