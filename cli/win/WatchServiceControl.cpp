#include "cli/win/WatchServiceControl.h"

#include <windows.h>

#include "common/win/UniqueHandle.h"

namespace velmora::cli::win {

std::uint32_t WatchServiceControl::SendSampleNow() {
    const velmora::win::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return GetLastError();
    const velmora::win::ServiceHandle service(
        OpenServiceA(manager.get(), kWatchServiceName, SERVICE_USER_DEFINED_CONTROL | SERVICE_QUERY_STATUS));
    if (!service) return GetLastError();  // 1060: not installed, 5: access denied
    SERVICE_STATUS status{};
    if (!ControlService(service.get(), kSampleNowControl, &status)) return GetLastError();  // 1062: not running
    return 0;
}

}  // namespace velmora::cli::win
