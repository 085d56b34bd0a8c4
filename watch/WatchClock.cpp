#include "watch/WatchClock.h"

#include <chrono>

namespace velmora::watch {

std::int64_t SystemWatchClock::NowUnixSeconds() noexcept {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace velmora::watch
