#include "watch/win/AlertCommandRunner.h"

#include <algorithm>
#include <cwchar>
#include <string_view>
#include <system_error>

#include "common/AnsiText.h"
#include "common/win/SystemText.h"
#include "watch/AlertEnvironment.h"
#include "watch/WatchMessages.h"

namespace velmora::win {
namespace {

// The wake event takes one of the wait's slots.
constexpr std::size_t kMaxRunning = MAXIMUM_WAIT_OBJECTS - 1;

// The exit code the processes of an ended job get.
constexpr UINT kEndedExitCode = ERROR_TIMEOUT;

// The watch's own environment, as UTF-8.
std::string OwnEnvironment() {
    wchar_t* block = ::GetEnvironmentStringsW();
    if (block == nullptr) return {};
    const wchar_t* end = block;
    while (*end != L'\0') end += std::wcslen(end) + 1;
    const std::u16string_view wide(reinterpret_cast<const char16_t*>(block), static_cast<std::size_t>(end - block));
    std::string text;
    try {
        text = Utf16ToUtf8(wide);
    } catch (...) {
        ::FreeEnvironmentStringsW(block);
        throw;
    }
    ::FreeEnvironmentStringsW(block);
    return text;
}

// The block CreateProcessW takes with CREATE_UNICODE_ENVIRONMENT.
std::u16string AlertEnvironmentFor(const watch::WatchEvent& event) {
    std::vector<watch::EnvironmentVariable> variables = watch::AlertVariables(event);
    // Values that were not UTF-8 after all are made so, as the block is.
    for (watch::EnvironmentVariable& variable : variables)
        variable.Value = Utf16ToUtf8(Utf8OrAnsiToUtf16(variable.Value));
    return Utf8OrAnsiToUtf16(watch::EnvironmentBlock(OwnEnvironment(), variables));
}

KernelHandle KillOnCloseJob() {
    KernelHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) return {};
    return job;
}

}  // namespace

AlertCommandRunner::AlertCommandRunner(std::string command, watch::WatchEventSink& events, DWORD limitMs)
    : command_(std::move(command)),
      events_(events),
      limitMs_(limitMs),
      wake_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    if (!wake_) throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "alert wake event");
    thread_ = std::thread([this] { Watch(); });
}

AlertCommandRunner::~AlertCommandRunner() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    ::SetEvent(wake_.get());
    thread_.join();
}

void AlertCommandRunner::Launch(const watch::WatchEvent& event) noexcept {
    if (command_.empty()) return;
    try {
        const std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back(event);
    } catch (...) {
        return;  // no memory for the event: no command for it either
    }
    ::SetEvent(wake_.get());
}

void AlertCommandRunner::Watch() noexcept {
    std::vector<Run> runs;
    std::vector<HANDLE> handles;
    for (;;) {
        std::vector<watch::WatchEvent> starting;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) break;
            starting.swap(queued_);
        }
        for (const watch::WatchEvent& event : starting) Start(event, runs);

        handles.assign(1, wake_.get());
        DWORD timeout = INFINITE;
        const ULONGLONG now = ::GetTickCount64();
        for (const Run& run : runs) {
            handles.push_back(run.Process.get());
            timeout = static_cast<DWORD>(std::min<ULONGLONG>(timeout, run.Deadline > now ? run.Deadline - now : 0));
        }
        const DWORD wait = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, timeout);
        if (wait > WAIT_OBJECT_0 && wait < WAIT_OBJECT_0 + handles.size()) {
            const auto ended = runs.begin() + (wait - WAIT_OBJECT_0 - 1);
            Finish(*ended, false);
            runs.erase(ended);
        } else if (wait == WAIT_TIMEOUT) {
            const ULONGLONG later = ::GetTickCount64();
            for (auto run = runs.begin(); run != runs.end();) {
                if (run->Deadline > later) {
                    ++run;
                    continue;
                }
                Finish(*run, ::WaitForSingleObject(run->Process.get(), 0) == WAIT_TIMEOUT);
                run = runs.erase(run);
            }
        } else if (wait == WAIT_FAILED) {
            break;  // cannot watch: the commands end below rather than run unwatched
        }
    }
    // Closing a job with the kill-on-close limit would end it too; ending it
    // first leaves nothing to the order of the handles' closing.
    for (Run& run : runs) ::TerminateJobObject(run.Job.get(), kEndedExitCode);
}

void AlertCommandRunner::Start(const watch::WatchEvent& event, std::vector<Run>& runs) noexcept {
    try {
        if (runs.size() >= kMaxRunning) {
            RaiseFailure(watch::AlertNotStartedText(std::to_string(runs.size()) + " alert commands are still running"));
            return;
        }
        std::u16string environment = AlertEnvironmentFor(event);
        std::u16string commandLine = AnsiToUtf16(command_);  // CreateProcessW may write to it

        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        const FileHandle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           &inheritable, OPEN_EXISTING, 0, nullptr));
        KernelHandle job = KillOnCloseJob();
        if (!nul || !job) {
            RaiseFailure(watch::AlertNotStartedText(SystemErrorText(::GetLastError())));
            return;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nul.get();
        startup.hStdOutput = nul.get();
        startup.hStdError = nul.get();
        PROCESS_INFORMATION created{};
        // Suspended until it is in its job, so nothing it starts escapes.
        if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(commandLine.data()), nullptr, nullptr, TRUE,
                              CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                              nullptr, &startup, &created)) {
            RaiseFailure(watch::AlertNotStartedText(SystemErrorText(::GetLastError())));
            return;
        }
        Run run{KernelHandle(created.hProcess), std::move(job), ::GetTickCount64() + limitMs_};
        const KernelHandle thread(created.hThread);
        if (!::AssignProcessToJobObject(run.Job.get(), run.Process.get()) ||
            ::ResumeThread(thread.get()) == DWORD(-1)) {
            const DWORD error = ::GetLastError();
            ::TerminateProcess(run.Process.get(), kEndedExitCode);
            RaiseFailure(watch::AlertNotStartedText(SystemErrorText(error)));
            return;
        }
        runs.push_back(std::move(run));
    } catch (...) {
        RaiseFailure(watch::AlertNotStartedText("out of memory"));
    }
}

void AlertCommandRunner::Finish(Run& run, bool timedOut) noexcept {
    try {
        if (timedOut) {
            ::TerminateJobObject(run.Job.get(), kEndedExitCode);
            RaiseFailure(watch::AlertTimedOutText(limitMs_));
            return;
        }
        DWORD exitCode = 0;
        if (!::GetExitCodeProcess(run.Process.get(), &exitCode)) exitCode = ::GetLastError();
        if (exitCode != 0) RaiseFailure(watch::AlertExitCodeText(exitCode));
    } catch (...) {
    }
}

void AlertCommandRunner::RaiseFailure(const std::string& what) noexcept {
    try {
        // The event's texts are UTF-8; the command came from the registry.
        events_.Raise(watch::AlertFailedEvent(AnsiToUtf8(command_), what));
    } catch (...) {
    }
}

}  // namespace velmora::win
