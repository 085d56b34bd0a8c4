// The real pipe client against a pipe server in the same process: the
// service's pipe name only ever exists in this test's own Wine prefix.
#include <windows.h>

#include "drives/win/Win32PipeSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "common/win/UniqueHandle.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora::win {
namespace {

enum class Serve { WholeReplyInTwoWrites, DropWithoutReply };

class OneShotServer {
public:
    explicit OneShotServer(Serve how)
        : pipe_(::CreateNamedPipeA(kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, PIPE_REPLY_SIZE,
                                   PIPE_REQUEST_SIZE, 0, nullptr)),
          reply_(PIPE_REPLY_SIZE) {
        std::iota(reply_.begin(), reply_.end(), std::uint8_t{7});
        if (pipe_) thread_ = std::thread([this, how] { Run(how); });
    }
    ~OneShotServer() { Join(); }
    OneShotServer(const OneShotServer&) = delete;
    OneShotServer& operator=(const OneShotServer&) = delete;

    [[nodiscard]] bool Listening() const { return pipe_.valid(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    // Valid after Join.
    [[nodiscard]] const std::vector<std::uint8_t>& Request() const { return request_; }
    [[nodiscard]] const std::vector<std::uint8_t>& Reply() const { return reply_; }

private:
    void Run(Serve how) {
        if (!::ConnectNamedPipe(pipe_.get(), nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) return;
        request_.resize(PIPE_REQUEST_SIZE);
        DWORD read = 0;
        if (!::ReadFile(pipe_.get(), request_.data(), PIPE_REQUEST_SIZE, &read, nullptr)) read = 0;
        request_.resize(read);
        if (how == Serve::WholeReplyInTwoWrites) {
            // Two writes, so the client may see the reply in pieces.
            DWORD written = 0;
            (void)::WriteFile(pipe_.get(), reply_.data(), 1000, &written, nullptr);
            (void)::WriteFile(pipe_.get(), reply_.data() + 1000, PIPE_REPLY_SIZE - 1000, &written, nullptr);
            (void)::FlushFileBuffers(pipe_.get());
        }
        (void)::DisconnectNamedPipe(pipe_.get());
    }

    FileHandle pipe_;
    std::vector<std::uint8_t> request_;
    std::vector<std::uint8_t> reply_;
    std::thread thread_;
};

DriveInfo SomeDrive() {
    DriveInfo drive;
    drive.Index = 2;
    drive.InterfaceType = kInterfaceSata;
    drive.PNPDeviceID = "SCSI\\DISK&VEN_&PROD_VELMORA\\4&1";
    return drive;
}

TEST(Win32PipeClient, ExchangesOneRequestAndAWholeReplyWithARealPipe) {
    fakes::RecordingEventSink events;
    Win32PipeSystem pipes;
    ReplyBytes reply{};
    OneShotServer server(Serve::WholeReplyInTwoWrites);
    ASSERT_TRUE(server.Listening());
    ASSERT_EQ(RequestSmartData(pipes, SomeDrive(), reply), 0);
    server.Join();
    const RequestBytes expectedRequest = BuildSmartRequest(SomeDrive());
    EXPECT_EQ(server.Request(), std::vector<std::uint8_t>(expectedRequest.begin(), expectedRequest.end()));
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), server.Reply().begin()));
    EXPECT_TRUE(events.Entries.empty());
}

TEST(Win32PipeClient, AServerThatDropsTheConnectionGivesAReadFailure) {
    fakes::RecordingEventSink events;
    Win32PipeSystem pipes;
    ReplyBytes reply{};
    OneShotServer server(Serve::DropWithoutReply);
    ASSERT_TRUE(server.Listening());
    EXPECT_EQ(RequestSmartData(pipes, SomeDrive(), reply), -1);
    server.Join();
    ASSERT_EQ(events.Entries.size(), 1u);
    EXPECT_EQ(events.Entries[0].rfind("FILE pipe LINE 96 CODE ", 0), 0u) << events.Entries[0];
}

TEST(Win32PipeClient, NoServiceMeansTheOpenFailsWithFileNotFound) {
    fakes::RecordingEventSink events;
    Win32PipeSystem pipes;
    ReplyBytes reply{};
    EXPECT_EQ(RequestSmartData(pipes, SomeDrive(), reply), -1);
    EXPECT_EQ(events.Entries, (std::vector<std::string>{"FILE pipe LINE 38 CODE 2"}));
}

TEST(Win32PipeClient, WaitingForAMissingPipeFailsAtOnce) {
    Win32PipeSystem pipes;
    std::uint32_t error = 0;
    EXPECT_FALSE(pipes.WaitForPipe(10, error));
    EXPECT_NE(error, 0u);
}

}  // namespace
}  // namespace velmora::win
