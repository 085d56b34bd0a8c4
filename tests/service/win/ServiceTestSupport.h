#pragma once
// What the end-to-end tests and the benchmark need to drive the real
// service program: running it with switches, the SCM calls to start, stop
// and remove it, and a pipe client that does one exchange the way the
// toolbox does (open, write the request, read the reply, close). Every wait
// polls against a deadline.

#include <windows.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/PipeRecords.h"
#include "common/RegistryNames.h"
#include "common/win/UniqueHandle.h"

namespace velmora::testing {

inline constexpr char kServiceExe[] = "SMART_VELMORA_SV.exe";

inline std::string ProgramDirectory() {
    std::vector<char> path(MAX_PATH * 4);
    const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::string text(path.data(), length);
    const std::size_t cut = text.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : text.substr(0, cut + 1);
}

inline std::string ServiceExePath() { return ProgramDirectory() + kServiceExe; }

// A Unix path as Wine's Z: drive shows it.
inline std::string WindowsPathOf(std::string unixPath) {
    for (char& c : unixPath) {
        if (c == '/') c = '\\';
    }
    return "Z:" + unixPath;
}

struct ProgramRun {
    bool Started = false;
    bool Ended = false;
    DWORD ExitCode = 0;
    bool ShowedWindow = false;  // a top-level window of the program, visible or not
};

inline bool HasTopLevelWindow(DWORD processId) {
    struct Search {
        DWORD ProcessId;
        bool Found;
    } search{processId, false};
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            s->Found = s->Found || owner == s->ProcessId;
            return !s->Found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Runs "<exe>" args and waits for it to end, at most timeoutMs, looking for
// its top-level windows meanwhile.
inline ProgramRun RunProgram(const std::string& exe, const std::string& arguments, DWORD timeoutMs = 60000) {
    ProgramRun run;
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return run;
    }
    win::KernelHandle processHandle(process.hProcess);
    win::KernelHandle threadHandle(process.hThread);
    run.Started = true;
    constexpr DWORD kWindowLookMs = 20;
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    DWORD wait = WAIT_TIMEOUT;
    while (wait == WAIT_TIMEOUT && ::GetTickCount64() < deadline) {
        run.ShowedWindow = run.ShowedWindow || HasTopLevelWindow(process.dwProcessId);
        wait = ::WaitForSingleObject(processHandle.get(), kWindowLookMs);
    }
    if (wait != WAIT_OBJECT_0) {
        ::TerminateProcess(processHandle.get(), 1);
        ::WaitForSingleObject(processHandle.get(), 5000);
        return run;
    }
    run.Ended = true;
    ::GetExitCodeProcess(processHandle.get(), &run.ExitCode);
    return run;
}

inline win::ServiceHandle OpenService(const char* name, DWORD access) {
    win::ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return {};
    return win::ServiceHandle(::OpenServiceA(manager.get(), name, access));
}

inline DWORD QueryState(SC_HANDLE service, SERVICE_STATUS_PROCESS* full = nullptr) {
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                                &needed)) {
        return 0;
    }
    if (full != nullptr) *full = status;
    return status.dwCurrentState;
}

inline bool WaitForState(SC_HANDLE service, DWORD state, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (QueryState(service) == state) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(5);
    }
}

// Stops the service if it runs and deletes it; true when it is gone or was
// never there.
inline bool RemoveService(const char* name) {
    win::ServiceHandle service = OpenService(name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (!service) return ::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    SERVICE_STATUS status{};
    if (QueryState(service.get()) != SERVICE_STOPPED) {
        ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        WaitForState(service.get(), SERVICE_STOPPED, 30000);
    }
    return ::DeleteService(service.get()) != FALSE || ::GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
}

inline bool SetDriveSetPath(const std::string* path) {
    HKEY raw = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRegistryKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    win::RegistryKey key(raw);
    if (path == nullptr) {
        const LSTATUS result = ::RegDeleteValueA(key.get(), kSimulatedDrivesValue);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return ::RegSetValueExA(key.get(), kSimulatedDrivesValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path->c_str()),
                            static_cast<DWORD>(path->size() + 1)) == ERROR_SUCCESS;
}

// Opens the service's pipe as the toolbox does, waiting while it is busy or
// not yet created, until the deadline.
inline win::FileHandle ConnectToService(DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        win::FileHandle pipe(::CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                           nullptr));
        if (pipe) {
            DWORD mode = PIPE_READMODE_BYTE | PIPE_WAIT;
            ::SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr);
            return pipe;
        }
        const DWORD error = ::GetLastError();
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return {};
        if (error == ERROR_PIPE_BUSY) {
            ::WaitNamedPipeA(kPipeName, static_cast<DWORD>(deadline - now));
        } else {
            ::Sleep(5);  // not created yet
        }
    }
}

inline bool WriteAll(HANDLE pipe, std::span<const std::uint8_t> bytes) {
    DWORD written = 0;
    return ::WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Reads until the reply is whole or the service ends the connection.
inline DWORD ReadReply(HANDLE pipe, ReplyBytes& reply) {
    DWORD total = 0;
    while (total < reply.size()) {
        DWORD got = 0;
        if (!::ReadFile(pipe, reply.data() + total, static_cast<DWORD>(reply.size() - total), &got, nullptr)) break;
        if (got == 0) break;
        total += got;
    }
    return total;
}

struct Exchange {
    bool Connected = false;
    bool Written = false;
    DWORD ReplyLength = 0;
    ReplyBytes Reply{};
};

inline Exchange ExchangeWithService(std::span<const std::uint8_t> request, DWORD connectTimeoutMs = 30000) {
    Exchange exchange;
    win::FileHandle pipe = ConnectToService(connectTimeoutMs);
    if (!pipe) return exchange;
    exchange.Connected = true;
    exchange.Written = WriteAll(pipe.get(), request);
    if (exchange.Written) exchange.ReplyLength = ReadReply(pipe.get(), exchange.Reply);
    return exchange;
}

inline Exchange ExchangeWithService(const PipeRequest& request, DWORD connectTimeoutMs = 30000) {
    const RequestBytes bytes = request.Encode();
    return ExchangeWithService(std::span<const std::uint8_t>(bytes), connectTimeoutMs);
}

}  // namespace velmora::testing
