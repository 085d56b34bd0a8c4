// A helper program of the watch's tests.
//   watch_probe.exe                  runs as the watch's service with a work
//                                    that ignores the stop for 10 s and
//                                    writes "sample" to watch_probe.log
//                                    beside itself for each sample request
//   watch_probe.exe hold NAME [CHILD] holds a named event NAME for 120 s;
//                                    with CHILD, first starts itself to hold
//                                    CHILD (a grandchild of whoever started it)

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/win/UniqueHandle.h"
#include "watch/win/WatchService.h"
#include "watch/win/WatchWork.h"

namespace {

using velmora::win::KernelHandle;

constexpr DWORD kIgnoreStopMs = 10000;
constexpr DWORD kHoldMs = 120000;

std::string OwnPath() {
    char path[MAX_PATH * 2] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

class StubbornWork final : public velmora::win::WatchWork {
public:
    StubbornWork() : stop_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), log_(OwnPath()) {
        log_.replace(log_.size() - 4, 4, ".log");
    }
    void Run() override {
        ::WaitForSingleObject(stop_.get(), INFINITE);
        ::Sleep(kIgnoreStopMs);
    }
    void RequestSample() noexcept override {
        if (FILE* file = std::fopen(log_.c_str(), "a")) {
            std::fputs("sample\n", file);
            std::fclose(file);
        }
    }
    void Stop() noexcept override { ::SetEvent(stop_.get()); }

private:
    KernelHandle stop_;
    std::string log_;
};

int Hold(const char* name, const char* child) {
    KernelHandle held(::CreateEventA(nullptr, TRUE, FALSE, name));
    if (child != nullptr) {
        std::string line = "\"" + OwnPath() + "\" hold " + child;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION created{};
        if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created)) {
            ::CloseHandle(created.hThread);
            ::CloseHandle(created.hProcess);
        }
    }
    ::Sleep(kHoldMs);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "hold") return Hold(argv[2], argc >= 4 ? argv[3] : nullptr);
    StubbornWork work;
    return velmora::win::RunWatchService(work);
}
