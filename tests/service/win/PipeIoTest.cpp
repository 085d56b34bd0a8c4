#include "service/win/PipeIo.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

#include "common/win/UniqueHandle.h"
#include "service/win/FlushWatchdog.h"
#include "service/win/OverlappedOperation.h"

namespace velmora::win {
namespace {

// A short limit keeps the failing cases quick; the service uses 2000 ms.
constexpr DWORD kShortLimitMs = 300;
constexpr ULONGLONG kPollDeadlineMs = 10000;

// One overlapped byte-mode server end and a synchronous client end of a
// pipe private to this process.
class PipePair : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        name = "\\\\.\\pipe\\velmora_pipeio_test_" + std::to_string(::GetCurrentProcessId()) + "_" +
               std::to_string(++counter);
        server.reset(::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4117, 520, 0, nullptr));
        ASSERT_TRUE(server) << ::GetLastError();
        client.reset(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(client) << ::GetLastError();
    }

    void ClientWrite(const std::vector<std::uint8_t>& bytes) {
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(client.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        ASSERT_EQ(written, bytes.size());
    }

    // Bytes waiting at the server end that nobody has read yet.
    DWORD AvailableAtServer() {
        DWORD available = 0;
        if (!::PeekNamedPipe(server.get(), nullptr, 0, nullptr, &available, nullptr)) return 0xFFFFFFFFu;
        return available;
    }

    // Polls with a deadline until the server end holds exactly count unread bytes.
    bool WaitForAvailable(DWORD count) {
        const ULONGLONG deadline = ::GetTickCount64() + kPollDeadlineMs;
        while (::GetTickCount64() < deadline) {
            if (AvailableAtServer() == count) return true;
            ::Sleep(5);
        }
        return false;
    }

    std::string name;
    FileHandle server;
    FileHandle client;
};

TEST_F(PipePair, ReadExactlyCollectsARecordThatArrivesInPieces) {
    std::array<std::uint8_t, 520> buffer{};
    bool ok = false;
    std::thread reader([&] { ok = ReadExactly(server.get(), buffer, 10000); });
    // Each piece is written only after the reader has taken the one before,
    // so the record really arrives in three reads.
    ClientWrite(std::vector<std::uint8_t>(100, 0x11));
    EXPECT_TRUE(WaitForAvailable(0));
    ClientWrite(std::vector<std::uint8_t>(300, 0x22));
    EXPECT_TRUE(WaitForAvailable(0));
    ClientWrite(std::vector<std::uint8_t>(120, 0x33));
    reader.join();
    ASSERT_TRUE(ok);
    EXPECT_EQ(buffer[0], 0x11);
    EXPECT_EQ(buffer[99], 0x11);
    EXPECT_EQ(buffer[100], 0x22);
    EXPECT_EQ(buffer[399], 0x22);
    EXPECT_EQ(buffer[400], 0x33);
    EXPECT_EQ(buffer[519], 0x33);
}

TEST_F(PipePair, ShortRecordFailsAtTheLimitAndItsReadIsCancelledBeforeReturning) {
    std::array<std::uint8_t, 520> buffer{};
    ClientWrite(std::vector<std::uint8_t>(519, 0x44));
    EXPECT_FALSE(ReadExactly(server.get(), buffer, kShortLimitMs));
    EXPECT_EQ(buffer[518], 0x44);
    EXPECT_EQ(buffer[519], 0x00);
    // Had the last read stayed pending, it would take these bytes into the
    // released buffer; cancelled, they wait in the pipe.
    ClientWrite(std::vector<std::uint8_t>(8, 0x55));
    EXPECT_TRUE(WaitForAvailable(8));
    EXPECT_EQ(buffer[519], 0x00);
}

TEST_F(PipePair, ReadFailsAsSoonAsTheClientGoesAway) {
    std::array<std::uint8_t, 520> buffer{};
    ClientWrite(std::vector<std::uint8_t>(10, 0x01));
    client.reset();
    EXPECT_FALSE(ReadExactly(server.get(), buffer, 10000));
}

TEST_F(PipePair, WriteExactlyDeliversTheWholeReply) {
    std::vector<std::uint8_t> reply(4117);
    for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(WriteExactly(server.get(), reply, 2000));
    std::vector<std::uint8_t> received(4117);
    DWORD total = 0;
    while (total < received.size()) {
        DWORD got = 0;
        ASSERT_TRUE(::ReadFile(client.get(), received.data() + total, static_cast<DWORD>(received.size() - total),
                               &got, nullptr));
        total += got;
    }
    EXPECT_EQ(received, reply);
}

TEST_F(PipePair, FlushSucceedsOnceTheClientHasReadEverything) {
    const std::vector<std::uint8_t> reply(64, 0x66);
    ASSERT_TRUE(WriteExactly(server.get(), reply, 2000));
    std::thread reader([&] {
        std::vector<std::uint8_t> received(64);
        DWORD got = 0;
        EXPECT_TRUE(::ReadFile(client.get(), received.data(), 64, &got, nullptr));
    });
    FlushWatchdog watchdog;
    EXPECT_TRUE(watchdog.FlushWithin(server.get(), 10000));
    reader.join();
}

TEST_F(PipePair, FlushToAClientThatNeverReadsIsCancelledAtTheBound) {
    const std::vector<std::uint8_t> reply(64, 0x77);
    ASSERT_TRUE(WriteExactly(server.get(), reply, 2000));
    FlushWatchdog watchdog;
    EXPECT_FALSE(watchdog.FlushWithin(server.get(), kShortLimitMs));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    // The thread's later synchronous I/O is not cancelled by a late timer.
    ClientWrite({1, 2, 3});
    EXPECT_TRUE(WaitForAvailable(3));
}

TEST_F(PipePair, OneWatchdogBoundsEveryFlushOfItsLifeAndSparesTheOnesThatEndInTime) {
    FlushWatchdog watchdog;
    const std::vector<std::uint8_t> reply(64, 0x55);
    ASSERT_TRUE(WriteExactly(server.get(), reply, 2000));
    EXPECT_FALSE(watchdog.FlushWithin(server.get(), kShortLimitMs));  // nobody reads yet

    // Read only several ticks into the next flush: ticks before its limit
    // leave it alone.
    ASSERT_TRUE(WriteExactly(server.get(), reply, 2000));
    std::thread reader([&] {
        ::Sleep(200);
        std::vector<std::uint8_t> received(2 * reply.size());
        DWORD total = 0;
        while (total < received.size()) {
            DWORD got = 0;
            if (!::ReadFile(client.get(), received.data() + total, static_cast<DWORD>(received.size() - total), &got,
                            nullptr)) {
                break;
            }
            total += got;
        }
        EXPECT_EQ(total, received.size());
    });
    EXPECT_TRUE(watchdog.FlushWithin(server.get(), 10000)) << ::GetLastError();
    reader.join();

    // After a quiet spell (the timer stops) the next stuck flush is bounded again.
    ::Sleep(300);
    ASSERT_TRUE(WriteExactly(server.get(), reply, 2000));
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_FALSE(watchdog.FlushWithin(server.get(), kShortLimitMs));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_LT(::GetTickCount64() - start, 5000u);
}

TEST_F(PipePair, ASetAbortEventEndsAWaitingReadAndAStuckFlushLongBeforeTheirLimits) {
    KernelHandle abort(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(abort);
    const std::vector<std::uint8_t> reply(64, 0x99);
    ASSERT_TRUE(WriteExactly(server.get(), reply, 2000, abort.get()));
    std::thread stopper([&] {
        ::Sleep(100);
        ::SetEvent(abort.get());
    });
    const ULONGLONG start = ::GetTickCount64();
    std::array<std::uint8_t, 520> buffer{};
    EXPECT_FALSE(ReadExactly(server.get(), buffer, 10000, abort.get()));
    FlushWatchdog watchdog;
    EXPECT_FALSE(watchdog.FlushWithin(server.get(), 10000, abort.get()));  // nobody reads the reply
    EXPECT_LT(::GetTickCount64() - start, 1000u);
    stopper.join();
}

TEST_F(PipePair, DestroyedOperationLeavesNoReadPendingOnTheHandle) {
    KernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    std::array<std::uint8_t, 16> buffer{};
    {
        OverlappedOperation read(server.get(), event.get());
        ASSERT_TRUE(read.Started(::ReadFile(server.get(), buffer.data(), 16, nullptr, read.get())));
        EXPECT_TRUE(read.Pending());
        DWORD bytes = 0;
        EXPECT_FALSE(read.FetchResult(bytes));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_IO_INCOMPLETE));
    }
    ClientWrite(std::vector<std::uint8_t>(16, 0x88));
    EXPECT_TRUE(WaitForAvailable(16));
    EXPECT_EQ(buffer[0], 0x00);
}

TEST_F(PipePair, FailedStartIsNotPending) {
    KernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    OverlappedOperation operation(server.get(), event.get());
    ::SetLastError(ERROR_BROKEN_PIPE);
    EXPECT_FALSE(operation.Started(FALSE));
    EXPECT_FALSE(operation.Pending());
}

}  // namespace
}  // namespace velmora::win
