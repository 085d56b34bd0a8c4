// WorkerCalls and the seams over it, with a short limit: a call that never
// returns is given up on within the limit and leaves its worker behind, one
// that ends in time is unaffected, and each seam fails as it fails for any
// other reason.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/win/WorkerCalls.h"
#include "app/win/WorkerSources.h"
#include "common/WmiTable.h"
#include "tests/fakes/win/StalledSources.h"

namespace velmora::win {
namespace {

using fakes::StallRelease;
using fakes::StalledCall;
using fakes::StalledSources;

constexpr DWORD kLimitMs = 300;
// A slow start of a worker thread under a loaded Wine.
constexpr ULONGLONG kMarginMs = 3000;

ULONGLONG Since(ULONGLONG start) { return ::GetTickCount64() - start; }

TEST(WorkerCalls, GiveUpOnACallPastTheLimitAndRunTheNextOnAFreshWorker) {
    StallRelease release;
    WorkerCalls calls(kLimitMs);
    const auto stuckOn = std::make_shared<std::atomic<DWORD>>(0);
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_THROW(calls.Run([stuckOn, released = release.Released()] {
        *stuckOn = ::GetCurrentThreadId();
        released.wait();
    }),
                 WorkerCallTimedOut);
    EXPECT_GE(Since(start), kLimitMs);
    EXPECT_LT(Since(start), kLimitMs + kMarginMs);

    DWORD ranOn = 0;
    calls.Run([&ranOn] { ranOn = ::GetCurrentThreadId(); });
    EXPECT_NE(ranOn, 0u);
    EXPECT_NE(ranOn, stuckOn->load());
}

TEST(WorkerCalls, KeepTheWorkerAndTheResultOfACallThatEndsInTime) {
    WorkerCalls calls(kLimitMs);
    DWORD first = 0;
    DWORD second = 0;
    calls.Run([&first] {
        ::Sleep(kLimitMs / 3);
        first = ::GetCurrentThreadId();
    });
    calls.Run([&second] { second = ::GetCurrentThreadId(); });
    EXPECT_NE(first, 0u);
    EXPECT_EQ(first, second);
}

TEST(WorkerCalls, AddTheCallsOwnBoundToTheLimit) {
    WorkerCalls calls(kLimitMs);
    bool ended = false;
    calls.Run([&ended] {
        ::Sleep(2 * kLimitMs);
        ended = true;
    },
              3 * kLimitMs);
    EXPECT_TRUE(ended);
}

TEST(WorkerCalls, RaiseTheCallsOwnExceptionInTheCaller) {
    WorkerCalls calls(kLimitMs);
    EXPECT_THROW(calls.Run([] { throw std::length_error("from the worker"); }), std::length_error);
}

TEST(WorkerCalls, EndWithoutWaitingForACallGivenUpOn) {
    StallRelease release;
    auto calls = std::make_unique<WorkerCalls>(kLimitMs);
    EXPECT_THROW(calls->Run([released = release.Released()] { released.wait(); }), WorkerCallTimedOut);
    const ULONGLONG start = ::GetTickCount64();
    calls.reset();
    EXPECT_LT(Since(start), kMarginMs);
}

// Each seam's call that never returns, and how the seam fails for it.
TEST(WorkerSources, FailAsTheSeamFailsWhenTheWorkerGivesUp) {
    for (const StalledCall stalled : {StalledCall::WmiQuery, StalledCall::DeviceOpen, StalledCall::DeviceQuery,
                                      StalledCall::PipeOpen, StalledCall::PipeWait, StalledCall::PipeRead}) {
        SCOPED_TRACE(static_cast<int>(stalled));
        StallRelease release;
        WorkerCalls calls(kLimitMs);
        const auto sources = std::make_shared<StalledSources>(stalled, release.Released());
        WorkerWmiSource wmi(sources, calls);
        WorkerDeviceIo devices(sources, calls);
        WorkerPipeSystem pipes(sources, calls);
        const ULONGLONG start = ::GetTickCount64();
        std::uint32_t error = 0;
        std::vector<std::uint8_t> buffer(64, 0xAA);
        WmiTable table(wmi);
        switch (stalled) {
            case StalledCall::WmiQuery:
                EXPECT_EQ(table.Execute(u"root\\cimv2", u"Win32_DiskDrive"), wmi_result::QueryFailed);
                break;
            case StalledCall::DeviceOpen:
                EXPECT_EQ(devices.Open("\\\\.\\PhysicalDrive0", DeviceAccess::None, error), nullptr);
                EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_SEM_TIMEOUT));
                break;
            case StalledCall::DeviceQuery: {
                const auto device = devices.Open("\\\\.\\PhysicalDrive0", DeviceAccess::None, error);
                ASSERT_NE(device, nullptr);
                const IoResult result = device->QueryProperty(buffer, buffer);
                EXPECT_FALSE(result.Ok);
                EXPECT_EQ(result.Error, static_cast<std::uint32_t>(ERROR_SEM_TIMEOUT));
                break;
            }
            case StalledCall::PipeOpen:
                EXPECT_EQ(pipes.Open(error), nullptr);
                EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_SEM_TIMEOUT));
                break;
            case StalledCall::PipeWait:
                EXPECT_FALSE(pipes.WaitForPipe(kLimitMs, error));
                EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_SEM_TIMEOUT));
                EXPECT_GE(Since(start), 2 * kLimitMs) << "the busy wait's own bound comes first";
                break;
            case StalledCall::PipeRead: {
                const auto pipe = pipes.Open(error);
                ASSERT_NE(pipe, nullptr);
                const PipeIoResult result = pipe->Read(buffer, kLimitMs);
                EXPECT_FALSE(result.Ok);
                EXPECT_EQ(result.Error, static_cast<std::uint32_t>(ERROR_SEM_TIMEOUT));
                break;
            }
        }
        EXPECT_LT(Since(start), 3 * kLimitMs + kMarginMs);
        // The call answers late, into buffers of its own.
        release.Release();
        const ULONGLONG released = ::GetTickCount64();
        while (sources->LateAnswers() == 0 && Since(released) < kMarginMs) ::Sleep(10);
        EXPECT_EQ(sources->LateAnswers(), 1);
        EXPECT_EQ(buffer, std::vector<std::uint8_t>(64, 0xAA)) << "a late answer reached the caller's buffer";
        EXPECT_EQ(table.ColumnCount(), 0) << "a late answer reached the caller's table";
        if (stalled == StalledCall::DeviceOpen || stalled == StalledCall::PipeOpen || stalled == StalledCall::PipeWait) {
            EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_SEM_TIMEOUT)) << "a late answer reached the caller's error";
        }
    }
}

}  // namespace
}  // namespace velmora::win
