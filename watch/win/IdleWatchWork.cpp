#include "watch/win/IdleWatchWork.h"

#include <system_error>

namespace velmora::win {

IdleWatchWork::IdleWatchWork() : stop_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (!stop_) throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "stop event");
}

void IdleWatchWork::Run() { ::WaitForSingleObject(stop_.get(), INFINITE); }

void IdleWatchWork::Stop() noexcept { ::SetEvent(stop_.get()); }

}  // namespace velmora::win
