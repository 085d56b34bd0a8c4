// SMART_VELMORA.exe against a service that takes the connection and never
// answers: the refresh ends as a failed one within seconds, and all the
// while the main window answers another process's messages, as Windows asks
// of a window that is not to be marked as hung.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win/AppResources.h"
#include "common/ErrorReport.h"
#include "common/PipeRecords.h"
#include "common/win/UniqueHandle.h"
#include "service/win/PipeSecurity.h"
#include "service/win/SmartVelmoraService.h"
#include "tests/app/win/gui/ToolboxProcess.h"
#include "tests/app/win/gui/UpdateTestSupport.h"
#include "tests/app/win/gui/WindowProbe.h"
#include "tests/service/win/ServiceTestSupport.h"

namespace velmora::testing {
namespace {

constexpr DWORD kPollMs = 100;
constexpr DWORD kAnswerMs = 1000;
// The client's 2 s limit, with room for a slow start under Wine.
constexpr DWORD kFailureWithinMs = 15000;
constexpr DWORD kEndTimeoutMs = 30000;

// The service's pipe, its security and modes, one instance: it accepts a
// client and then neither reads nor writes.
class SilentPipeServer {
public:
    SilentPipeServer()
        : pipe_(::CreateNamedPipeA(kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                   PIPE_REPLY_SIZE, PIPE_REQUEST_SIZE, kPipeDefaultTimeoutMs, security_.Attributes())),
          connected_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        if (!pipe_ || !connected_) return;
        connect_.hEvent = connected_.get();
        if (::ConnectNamedPipe(pipe_.get(), &connect_)) return;
        const DWORD error = ::GetLastError();
        pending_ = error == ERROR_IO_PENDING;
        if (error == ERROR_PIPE_CONNECTED) ::SetEvent(connected_.get());
    }
    ~SilentPipeServer() {
        if (!pending_) return;
        DWORD bytes = 0;
        ::CancelIoEx(pipe_.get(), &connect_);
        ::GetOverlappedResult(pipe_.get(), &connect_, &bytes, TRUE);
    }
    SilentPipeServer(const SilentPipeServer&) = delete;
    SilentPipeServer& operator=(const SilentPipeServer&) = delete;

    [[nodiscard]] bool Listening() const { return pipe_.valid() && connected_.valid(); }
    [[nodiscard]] bool Connected() const { return ::WaitForSingleObject(connected_.get(), 0) == WAIT_OBJECT_0; }

private:
    win::PipeSecurity security_;
    win::FileHandle pipe_;
    win::KernelHandle connected_;
    OVERLAPPED connect_{};
    bool pending_ = false;
};

std::string ExampleDriveSet() { return WindowsPathOf(std::string(VELMORA_EXAMPLES) + "/demo-drives.ini"); }

class ToolboxOnSilentService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RemoveService(win::kServiceName));
        const std::string set = ExampleDriveSet();
        ASSERT_TRUE(SetDriveSetPath(&set));
        ASSERT_TRUE(DontAskAtStartUp());
    }
    void TearDown() override { static_cast<void>(SetDriveSetPath(nullptr)); }
};

TEST_F(ToolboxOnSilentService, TheRefreshFailsWithinSecondsAndTheWindowAnswersThroughout) {
    SilentPipeServer service;
    ASSERT_TRUE(service.Listening()) << "the pipe name is taken: " << ::GetLastError();
    ToolboxProcess toolbox;
    ASSERT_TRUE(toolbox.Started());
    HWND window = toolbox.WaitForWindow(kToolboxCaption);
    ASSERT_NE(window, nullptr);

    // From the window's creation until the failure is reported: every poll
    // must be answered within a second.
    const ULONGLONG start = ::GetTickCount64();
    std::vector<ULONGLONG> unanswered;
    HWND box = nullptr;
    while (!box && ::GetTickCount64() - start < kFailureWithinMs) {
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &result)) {
            unanswered.push_back(::GetTickCount64() - start);
        }
        const std::vector<HWND> boxes = TopLevelWindows("Error", toolbox.Id());
        if (!boxes.empty()) box = boxes.front();
        ::Sleep(kPollMs);
    }
    EXPECT_TRUE(service.Connected()) << "the toolbox never reached the pipe";
    ASSERT_NE(box, nullptr) << "no failure reported within " << kFailureWithinMs << " ms";
    EXPECT_EQ(TextById(box, IDC_BOX_TEXT), kInternalErrorText);
    EXPECT_TRUE(unanswered.empty()) << unanswered.size() << " polls unanswered, the first at " << unanswered.front()
                                    << " ms";

    // The failed refresh goes on to its second report and empty values; the
    // window then closes as usual.
    ASSERT_TRUE(WaitUntil([&] {
        const std::vector<HWND> boxes = TopLevelWindows("Error", toolbox.Id());
        for (HWND next : boxes) {
            for (HWND button : ButtonsOf(next)) ::SendMessageA(button, BM_CLICK, 0, 0);
        }
        return boxes.empty() && TextById(window, IDC_FIELD_FIRST) == "VELMORA R730 SSD";
    }, kEndTimeoutMs));
    EXPECT_EQ(TextById(window, IDC_FIELD_FIRST + 4), "") << "a failed refresh shows no values";
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(toolbox.WaitForEnd(kEndTimeoutMs));
    EXPECT_EQ(toolbox.ExitCode(), 0u);
}

}  // namespace
}  // namespace velmora::testing
