// The alert command runner with real commands: cmd.exe for the variables
// and exit codes, watch_probe.exe for a command that starts a process of
// its own and outlives its limit.

#include "watch/win/AlertCommandRunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/service/win/ServiceTestSupport.h"

namespace velmora::win {
namespace {

constexpr ULONGLONG kDeadlineMs = 20000;

// The runner raises from its own thread.
class RecordingWatchEvents final : public watch::WatchEventSink {
public:
    void Raise(const watch::WatchEvent& event) noexcept override {
        const std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
    }
    [[nodiscard]] std::vector<watch::WatchEvent> Events() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    // The first event raised, once there is one.
    [[nodiscard]] bool WaitForOne(watch::WatchEvent& first) {
        const ULONGLONG deadline = ::GetTickCount64() + kDeadlineMs;
        for (;;) {
            if (const auto events = Events(); !events.empty()) {
                first = events.front();
                return true;
            }
            if (::GetTickCount64() >= deadline) return false;
            ::Sleep(5);
        }
    }

private:
    std::mutex mutex_;
    std::vector<watch::WatchEvent> events_;
};

bool Exists(const std::string& eventName) {
    KernelHandle held(::OpenEventA(SYNCHRONIZE, FALSE, eventName.c_str()));
    return static_cast<bool>(held);
}

bool WaitUntil(bool wanted, const std::string& eventName) {
    const ULONGLONG deadline = ::GetTickCount64() + kDeadlineMs;
    while (Exists(eventName) != wanted) {
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(5);
    }
    return true;
}

watch::WatchEvent DriveBadEvent() {
    watch::WatchEvent event;
    event.Id = watch::EventId::DriveBad;
    event.Type = watch::EventType::Error;
    event.Message = "The drive VELMORA R730 SSD (VM0A1B2C3D) became BAD.";
    event.Drive = history::DriveIdentity{"VM0A1B2C3D", "VELMORA R730 SSD", "R1", "SATA", 512};
    event.DriveStatus = "BAD";
    event.LifeMeter = 7;
    return event;
}

std::string ProbeCommand(const std::string& arguments) {
    return "\"" + testing::ProgramDirectory() + "watch_probe.exe\" " + arguments;
}

TEST(AlertCommandRunner, TheCommandFindsTheEventInItsEnvironmentBesideTheWatchsOwnVariables) {
    const std::string output = testing::ProgramDirectory() + "alert-variables.txt";
    ::DeleteFileA(output.c_str());
    // The test runner's own VELMORA_ variable would show up too.
    char prefix[1024] = {};
    const DWORD prefixLength = ::GetEnvironmentVariableA("VELMORA_WINEPREFIX", prefix, sizeof prefix);
    ::SetEnvironmentVariableA("VELMORA_WINEPREFIX", nullptr);
    ASSERT_TRUE(::SetEnvironmentVariableA("VELMORA_OWN", "kept"));
    ASSERT_TRUE(::SetEnvironmentVariableA("VELMORA_DRIVE_STATUS", "stale"));
    RecordingWatchEvents events;
    {
        // No blank before '>': Wine's cmd would take it for part of the name.
        AlertCommandRunner runner("cmd.exe /c set VELMORA_>\"" + output + "\"", events);
        runner.Launch(DriveBadEvent());
        const ULONGLONG deadline = ::GetTickCount64() + kDeadlineMs;
        std::string text;
        while (text.find("VELMORA_OWN=kept") == std::string::npos && ::GetTickCount64() < deadline) {
            ::Sleep(20);
            std::ifstream file(output, std::ios::binary);
            std::stringstream read;
            read << file.rdbuf();
            text = read.str();
        }
        std::erase(text, '\r');
        EXPECT_EQ(text,
                  "VELMORA_DRIVE_MODEL=VELMORA R730 SSD\n"
                  "VELMORA_DRIVE_SERIAL=VM0A1B2C3D\n"
                  "VELMORA_DRIVE_STATUS=BAD\n"
                  "VELMORA_EVENT_ID=1001\n"
                  "VELMORA_EVENT_TEXT=The drive VELMORA R730 SSD (VM0A1B2C3D) became BAD.\n"
                  "VELMORA_LIFE_METER=7\n"
                  "VELMORA_OWN=kept\n");
        ::Sleep(200);  // time to end: a zero exit code raises nothing
    }
    ::SetEnvironmentVariableA("VELMORA_OWN", nullptr);
    ::SetEnvironmentVariableA("VELMORA_DRIVE_STATUS", nullptr);
    if (prefixLength != 0) ::SetEnvironmentVariableA("VELMORA_WINEPREFIX", prefix);
    const auto raised = events.Events();
    EXPECT_TRUE(raised.empty()) << raised.front().Message;
}

TEST(AlertCommandRunner, ACommandThatCannotStartOrFailsRaises1008NamingItAndWhatHappened) {
    struct Case {
        std::string Command;
        std::string What;  // the start of the second string
    };
    const Case cases[] = {
        {"Z:\\velmora-no-such-folder\\notify.exe --all", "could not start: "},
        {"cmd.exe /c exit 3", "ended with exit code 3"},
    };
    for (const Case& c : cases) {
        RecordingWatchEvents events;
        AlertCommandRunner runner(c.Command, events);
        runner.Launch(DriveBadEvent());
        watch::WatchEvent raised;
        ASSERT_TRUE(events.WaitForOne(raised)) << c.Command;
        EXPECT_EQ(raised.Id, watch::EventId::AlertFailed);
        EXPECT_EQ(raised.Type, watch::EventType::Warning);
        ASSERT_EQ(raised.Strings.size(), 2u);
        EXPECT_EQ(raised.Strings[0], c.Command);
        EXPECT_EQ(raised.Strings[1].rfind(c.What, 0), 0u) << raised.Strings[1];
        EXPECT_GT(raised.Strings[1].size(), std::string("could not start: ").size()) << raised.Strings[1];
    }
}

TEST(AlertCommandRunner, ACommandPastItsLimitIsEndedWithTheProcessItStartedAndRaises1008) {
    RecordingWatchEvents events;
    AlertCommandRunner runner(ProbeCommand("hold velmora-alert-child velmora-alert-grandchild"), events, 1500);
    runner.Launch(DriveBadEvent());
    ASSERT_TRUE(WaitUntil(true, "velmora-alert-child"));
    ASSERT_TRUE(WaitUntil(true, "velmora-alert-grandchild"));
    watch::WatchEvent raised;
    ASSERT_TRUE(events.WaitForOne(raised));
    EXPECT_EQ(raised.Id, watch::EventId::AlertFailed);
    ASSERT_EQ(raised.Strings.size(), 2u);
    EXPECT_EQ(raised.Strings[1], "did not end within 1500 ms and was ended with every process it started");
    EXPECT_TRUE(WaitUntil(false, "velmora-alert-child"));
    EXPECT_TRUE(WaitUntil(false, "velmora-alert-grandchild"));
    EXPECT_EQ(events.Events().size(), 1u);
}

TEST(AlertCommandRunner, DestroyingTheRunnerEndsItsCommandsSilentlyAndLeavesNoHandle) {
    RecordingWatchEvents events;
    DWORD handlesBefore = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &handlesBefore));
    {
        AlertCommandRunner runner(ProbeCommand("hold velmora-alert-left velmora-alert-left-child"), events);
        runner.Launch(DriveBadEvent());
        ASSERT_TRUE(WaitUntil(true, "velmora-alert-left"));
        ASSERT_TRUE(WaitUntil(true, "velmora-alert-left-child"));
    }
    EXPECT_TRUE(WaitUntil(false, "velmora-alert-left"));
    EXPECT_TRUE(WaitUntil(false, "velmora-alert-left-child"));
    DWORD handlesAfter = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter));
    EXPECT_EQ(handlesAfter, handlesBefore);
    EXPECT_TRUE(events.Events().empty());
}

}  // namespace
}  // namespace velmora::win
