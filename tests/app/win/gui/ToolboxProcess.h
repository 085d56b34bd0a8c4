#pragma once
// SMART_VELMORA.exe started by a test: its process, its windows, and an end
// that never leaves it behind.

#include <windows.h>

#include <string>

#include "ProductVersion.h"
#include "common/win/UniqueHandle.h"
#include "tests/app/win/gui/WindowProbe.h"
#include "tests/service/win/ServiceTestSupport.h"

namespace velmora::testing {

inline constexpr char kToolboxCaption[] = "VELMORA SSD Toolbox " VELMORA_VERSION_TEXT;

class ToolboxProcess {
public:
    ToolboxProcess() {
        const std::string exe = ProgramDirectory() + "SMART_VELMORA.exe";
        std::string commandLine = "\"" + exe + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process)) {
            process_.reset(process.hProcess);
            ::CloseHandle(process.hThread);
            id_ = process.dwProcessId;
        }
    }
    ~ToolboxProcess() {
        if (!process_) return;
        if (!WaitForEnd(0)) {
            ::TerminateProcess(process_.get(), 1);
            ::WaitForSingleObject(process_.get(), 10000);
        }
    }
    ToolboxProcess(const ToolboxProcess&) = delete;
    ToolboxProcess& operator=(const ToolboxProcess&) = delete;

    [[nodiscard]] bool Started() const { return process_.valid(); }
    [[nodiscard]] DWORD Id() const { return id_; }

    [[nodiscard]] HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = kWindowTimeoutMs) const {
        return WaitForTopLevel(caption, id_, timeoutMs);
    }

    [[nodiscard]] bool WaitForEnd(DWORD timeoutMs) const {
        return ::WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
    }

    [[nodiscard]] DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    win::KernelHandle process_;
    DWORD id_ = 0;
};

}  // namespace velmora::testing
