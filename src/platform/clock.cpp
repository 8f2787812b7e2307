#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <random>

namespace velmora {

int64_t ElapsedMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t NowSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

LocalDateTime CurrentLocalDateTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

int32_t RandomInRange(int32_t low, int32_t high) {
    static std::mutex guard;
    static std::mt19937 engine{std::random_device{}()};
    std::lock_guard lock(guard);
    return std::uniform_int_distribution<int32_t>(low, high)(engine);
}

} // namespace velmora
