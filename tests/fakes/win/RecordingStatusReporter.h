#pragma once
// Records every service status report, so tests can check states, accepted
// controls, wait hints and exit codes in order.

#include <windows.h>

#include <vector>

#include "servicehost/win/ServiceFramework.h"

namespace velmora::fakes {

class RecordingStatusReporter final : public win::ServiceStatusReporter {
public:
    void Report(const SERVICE_STATUS& status) noexcept override { Reports.push_back(status); }

    [[nodiscard]] DWORD LastState() const { return Reports.empty() ? 0 : Reports.back().dwCurrentState; }

    std::vector<SERVICE_STATUS> Reports;
};

}  // namespace velmora::fakes
