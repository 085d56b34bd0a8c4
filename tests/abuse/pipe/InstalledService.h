#pragma once
// The real service as the abuse and audit tests find it: installed with its
// own switches from the build folder, reading the demo drive set, started
// through the SCM. Also what the tests watch from outside: the process id
// the SCM reports, whether that process still runs, its handle count and its
// private memory.

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <string>

#include "common/PipeRecords.h"
#include "common/win/UniqueHandle.h"
#include "service/win/SmartVelmoraService.h"
#include "tests/service/win/ServiceTestSupport.h"

namespace velmora::testing {

inline constexpr DWORD kServiceStartTimeoutMs = 60000;
inline constexpr DWORD kServiceStopTimeoutMs = 30000;

// The repository root, from the test data folder the build names.
inline std::string RepositoryRoot() {
    std::string data = VELMORA_TEST_DATA;  // <root>/tests/data
    const std::string tail = "/tests/data";
    if (data.size() >= tail.size() && data.compare(data.size() - tail.size(), tail.size(), tail) == 0) {
        data.resize(data.size() - tail.size());
    }
    return data;
}

inline std::string DemoDriveSetPath() { return WindowsPathOf(RepositoryRoot() + "/examples/demo-drives.ini"); }

// Starts the installed service and waits until its pipe exists.
[[nodiscard]] inline bool StartInstalledService() {
    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_START | SERVICE_QUERY_STATUS);
    if (!service) return false;
    if (QueryState(service.get()) != SERVICE_RUNNING) {
        if (!::StartServiceA(service.get(), 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
            return false;
        }
        if (!WaitForState(service.get(), SERVICE_RUNNING, kServiceStartTimeoutMs)) return false;
    }
    // Running is reported just before the pipe is created.
    const ULONGLONG deadline = ::GetTickCount64() + kServiceStartTimeoutMs;
    while (::GetTickCount64() < deadline) {
        if (::WaitNamedPipeA(kPipeName, 50)) return true;
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) return true;  // there, but busy
        ::Sleep(5);
    }
    return false;
}

// Stops and removes the service and the drive-set value; quiet when there is
// nothing to remove.
inline void RemoveInstalledService() {
    static_cast<void>(RemoveService(win::kServiceName));
    static_cast<void>(SetDriveSetPath(nullptr));
}

// Removes any earlier registration, installs from the build folder with the
// program's own switches, names the demo drive set and starts the service.
// Returns an empty text on success, else what failed.
[[nodiscard]] inline std::string InstallAndStartWithDemoDrives() {
    RemoveInstalledService();
    const ProgramRun run = RunProgram(ServiceExePath(), "/INSTALL /SILENT");
    if (!run.Ended || run.ExitCode != 0) return "/INSTALL /SILENT failed, exit " + std::to_string(run.ExitCode);
    const std::string driveSet = DemoDriveSetPath();
    if (!SetDriveSetPath(&driveSet)) return "cannot name the drive set in the registry";
    if (!StartInstalledService()) return "the service did not start";
    return {};
}

// What the SCM says about the service now: its state and process id.
struct ServiceState {
    DWORD State = 0;
    DWORD ProcessId = 0;
};

[[nodiscard]] inline ServiceState QueryServiceState() {
    ServiceState result;
    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_QUERY_STATUS);
    if (!service) return result;
    SERVICE_STATUS_PROCESS status{};
    result.State = QueryState(service.get(), &status);
    result.ProcessId = status.dwProcessId;
    return result;
}

// The service's process, opened once: it tells whether that very process is
// still alive and what it holds.
class ServiceProcess {
public:
    [[nodiscard]] bool Open(DWORD processId) {
        processId_ = processId;
        process_.reset(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, processId));
        return process_.valid();
    }

    [[nodiscard]] DWORD ProcessId() const noexcept { return processId_; }

    // The same process still runs and the SCM still names it, running.
    [[nodiscard]] bool StillServing() const {
        if (!process_ || ::WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT) return false;
        const ServiceState state = QueryServiceState();
        return state.State == SERVICE_RUNNING && state.ProcessId == processId_;
    }

    // 0 when the system does not count them (or the call failed).
    [[nodiscard]] DWORD HandleCount() const {
        DWORD count = 0;
        if (!::GetProcessHandleCount(process_.get(), &count)) return 0;
        return count;
    }

    struct Memory {
        std::uint64_t PrivateUsage = 0;
        std::uint64_t PagefileUsage = 0;
        std::uint64_t WorkingSet = 0;
        // Wine leaves PrivateUsage 0; for a process, Windows reports the
        // same figure as PagefileUsage.
        [[nodiscard]] std::uint64_t PrivateBytes() const noexcept {
            return PrivateUsage != 0 ? PrivateUsage : PagefileUsage;
        }
    };

    [[nodiscard]] Memory MemoryUse() const {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        Memory memory;
        if (::GetProcessMemoryInfo(process_.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                   sizeof counters)) {
            memory.PrivateUsage = counters.PrivateUsage;
            memory.PagefileUsage = counters.PagefileUsage;
            memory.WorkingSet = counters.WorkingSetSize;
        }
        return memory;
    }

private:
    DWORD processId_ = 0;
    win::KernelHandle process_;
};

// The one installation the whole test program shares: set up before the
// first test, removed after the last, also when tests fail.
struct SharedService {
    std::string SetupError;  // empty when the service runs
    ServiceProcess Process;
};

inline SharedService& TheService() {
    static SharedService service;
    return service;
}

}  // namespace velmora::testing
