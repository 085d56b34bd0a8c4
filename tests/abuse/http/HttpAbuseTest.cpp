// Hostile servers against the real update client: HttpClient over Winsock
// and the message-pumping wait, through the update exchange the toolbox
// runs, against a loopback server thread in this program. Each case must end
// within the client's limits, with success or with the user's message, while
// a hidden window's timer and posted messages keep being handled. What a
// header may hold is the parser's and the client's rule, tested natively.
//
// The cases that last as long as the real limits (a one-byte-per-second
// trickle against the 60 s limit, a silent server against the 30 s idle
// limit) run when VELMORA_ABUSE_LONG is 1; otherwise the same cases run with
// a shorter limit set on the client or with the client's clock running faster.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "drives/DriveTable.h"
#include "update/Clock.h"
#include "update/HttpClient.h"
#include "update/HttpUpdateTransport.h"
#include "update/UpdateError.h"
#include "update/UpdateExchange.h"
#include "update/UpdateTexts.h"
#include "update/win/MessagePump.h"
#include "update/win/WinsockSocket.h"
#include "tests/abuse/http/PumpWitness.h"
#include "tests/update/win/http/LoopbackServer.h"

namespace velmora::testing {
namespace {

constexpr char kReplyText[] = "[file version]\r\nversion=1.0\r\n";
// Generous margin over a limit: the call must end by then.
constexpr double kMarginMs = 5000.0;
// No handled message for this long means the wait stopped pumping.
constexpr double kPumpGapBoundMs = 2000.0;
// Short limits for the runs in CI.
constexpr std::uint32_t kShortTotalMs = 5000;
constexpr std::uint32_t kShortIdleMs = 3000;

bool LongRun() {
    const char* text = std::getenv("VELMORA_ABUSE_LONG");
    return text != nullptr && std::string(text) == "1";
}

double NowMs() {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The update host setting naming the loopback server.
class LoopbackHost final : public update::UpdateHostSource {
public:
    explicit LoopbackHost(std::uint16_t port) : text_("127.0.0.1:" + std::to_string(port)) {}
    [[nodiscard]] update::UpdateHostSetting ReadUpdateHost() override {
        return {update::UpdateHostSetting::State::Text, text_};
    }

private:
    std::string text_;
};

// The real clock and its message pump, with time running `factor` times
// faster: the client's own limits then pass sooner.
class FastClock final : public WaitClock {
public:
    FastClock(WaitClock& real, std::uint32_t factor) : real_(real), factor_(factor) {}
    [[nodiscard]] std::uint64_t NowMs() override { return real_.NowMs() * factor_; }
    [[nodiscard]] bool Pause(WakeEvent wake) override { return real_.Pause(wake); }

private:
    WaitClock& real_;
    std::uint32_t factor_;
};

// Keeps the client's own failure text and kind on their way to the user
// message, so the figures can say why a case ended.
class RecordingTransport final : public update::UpdateTransport {
public:
    explicit RecordingTransport(update::HttpUpdateTransport& inner) : inner_(inner) {}
    void SetProxy(const std::string& host, std::int32_t port) override { inner_.SetProxy(host, port); }
    [[nodiscard]] std::string Fetch(const std::string& url) override {
        try {
            return inner_.Fetch(url);
        } catch (const HttpError& error) {
            Kind = error.Kind();
            Text = error.what();
            throw;
        }
    }
    void Download(const std::string& url, const std::string& path, const update::DownloadProgress& progress,
                  std::uint64_t freeBytes) override {
        try {
            inner_.Download(url, path, progress, freeBytes);
        } catch (const HttpError& error) {
            Kind = error.Kind();
            Text = error.what();
            throw;
        }
    }
    void Abort() noexcept override { inner_.Abort(); }

    std::optional<HttpFailure> Kind;
    std::string Text;

private:
    update::HttpUpdateTransport& inner_;
};

// --- Server behaviours -------------------------------------------------------

// Sends data again and again until the client goes away or the test ends.
void SendForever(SOCKET client, const std::string& chunk, const std::atomic<bool>& stop) {
    while (!stop && LoopbackServer::SendAll(client, chunk)) {
    }
}

// One byte per second, from text and then endlessly more body bytes.
void TrickleForever(SOCKET client, const std::string& text, const std::atomic<bool>& stop) {
    for (std::size_t i = 0; !stop; ++i) {
        const char byte = i < text.size() ? text[i] : 'x';
        if (!LoopbackServer::SendAll(client, std::string(1, byte))) return;
        for (int slice = 0; slice < 10 && !stop; ++slice) ::Sleep(100);
    }
}

// Says nothing and waits until the client hangs up or the test ends.
void StaySilent(SOCKET client, const std::atomic<bool>& stop) {
    char buffer[256];
    while (!stop) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        timeval wait{0, 100000};
        const int ready = ::select(0, &readable, nullptr, nullptr, &wait);
        if (ready < 0) return;
        if (ready > 0 && ::recv(client, buffer, sizeof buffer, 0) <= 0) return;
    }
}

// --- One case ------------------------------------------------------------------

struct Outcome {
    bool Succeeded = false;
    std::string Body;
    std::string UserMessage;              // what the user is shown on failure
    std::optional<HttpFailure> Kind;      // the client's own reason
    std::string ClientText;
    double Ms = 0;
    PumpFigures Pump;
};

const char* KindName(std::optional<HttpFailure> kind) {
    if (!kind) return "-";
    switch (*kind) {
    case HttpFailure::BadUrl: return "BadUrl";
    case HttpFailure::BadProxy: return "BadProxy";
    case HttpFailure::Busy: return "Busy";
    case HttpFailure::Connect: return "Connect";
    case HttpFailure::Network: return "Network";
    case HttpFailure::Timeout: return "Timeout";
    case HttpFailure::TooLarge: return "TooLarge";
    case HttpFailure::BadReply: return "BadReply";
    case HttpFailure::File: return "File";
    case HttpFailure::ErrorStatus: return "ErrorStatus";
    case HttpFailure::Aborted: return "Aborted";
    }
    return "?";
}

void Print(const char* name, const Outcome& outcome) {
    std::printf("%-38s %8.0f ms  %-8s %-11s pump: %4u timer, %5u posted, longest gap %4.0f ms  | %s\n", name,
                outcome.Ms, outcome.Succeeded ? "success" : "failed", KindName(outcome.Kind), outcome.Pump.TimerTicks,
                outcome.Pump.PostedHandled, outcome.Pump.LongestGapMs,
                outcome.Succeeded ? ("body " + std::to_string(outcome.Body.size()) + " bytes").c_str()
                                  : outcome.ClientText.c_str());
}

class HttpAbuse : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(winsock.Ok()) << winsock.Error();
        ASSERT_TRUE(witness.Ok());
    }
    void TearDown() override {
        witness.OnPosted = nullptr;
        stop = true;
    }

    // The update exchange as the toolbox runs it, against the server.
    Outcome CheckForUpdates(const LoopbackServer& server) { return CheckForUpdates(server, transport); }
    Outcome CheckForUpdates(const LoopbackServer& server, update::HttpUpdateTransport& through) {
        LoopbackHost host(server.Port());
        RecordingTransport recording(through);
        DriveTable drives;
        Outcome outcome;
        witness.Begin();
        const double start = NowMs();
        try {
            outcome.Body = update::FetchUpdateReply(recording, host, update::ProxySettings{}, drives);
            outcome.Succeeded = true;
        } catch (const update::UpdateError& error) {
            outcome.UserMessage = error.what();
        }
        outcome.Ms = NowMs() - start;
        outcome.Pump = witness.End();
        outcome.Kind = recording.Kind;
        outcome.ClientText = recording.Text;
        stop = true;
        return outcome;
    }

    // The same client class called directly, for limits the exchange fixes.
    Outcome DirectGet(const LoopbackServer& server, std::uint32_t totalMs) {
        HttpClient client(sockets, clock, files);
        client.TotalTimeoutMs = totalMs;
        Outcome outcome;
        witness.Begin();
        const double start = NowMs();
        try {
            client.Get(server.Url("/daveruri/daveruri.php?disk="));
            outcome.Succeeded = true;
            outcome.Body = client.Body;
        } catch (const HttpError& error) {
            outcome.Kind = error.Kind();
            outcome.ClientText = error.what();
        }
        outcome.Ms = NowMs() - start;
        outcome.Pump = witness.End();
        stop = true;
        return outcome;
    }

    // Failure as the user sees it, within the limit plus a margin, with the
    // window's messages handled throughout.
    static void ExpectUserMessageWithin(const Outcome& outcome, double limitMs) {
        EXPECT_FALSE(outcome.Succeeded);
        EXPECT_EQ(outcome.UserMessage, update::message::NotAvailable);
        EXPECT_LT(outcome.Ms, limitMs + kMarginMs);
        ExpectPumped(outcome);
    }

    static void ExpectPumped(const Outcome& outcome) {
        EXPECT_LT(outcome.Pump.LongestGapMs, kPumpGapBoundMs) << "window messages stopped during the wait";
        if (outcome.Ms > 500) {
            EXPECT_GT(outcome.Pump.TimerTicks, 0u);
            EXPECT_GT(outcome.Pump.PostedHandled, 0u);
        }
    }

    std::atomic<bool> stop{false};
    win::WinsockScope winsock;
    win::WinsockSocketSystem sockets;
    win::MessagePumpClock clock;
    StdioFileSinkFactory files;
    update::HttpUpdateTransport transport{sockets, clock, files};
    PumpWitness witness;
};

TEST_F(HttpAbuse, EndlessBodyEndsAtTheInMemoryCapWithTheUserMessage) {
    LoopbackServer server([&](SOCKET s, const std::string&) {
        if (!LoopbackServer::SendAll(s, "HTTP/1.0 200 OK\r\n\r\n")) return;
        SendForever(s, std::string(65536, 'x'), stop);
    });
    const Outcome outcome = CheckForUpdates(server);
    Print("endless body", outcome);
    ExpectUserMessageWithin(outcome, update::kUpdateReplyTotalTimeoutMs);
    EXPECT_EQ(outcome.Kind, HttpFailure::TooLarge);
}

TEST_F(HttpAbuse, EndlessBodyAfterAContentLengthIsReadOnlyToThatLength) {
    LoopbackServer server([&](SOCKET s, const std::string&) {
        if (!LoopbackServer::SendAll(s, "HTTP/1.0 200 OK\r\nContent-Length: 29\r\n\r\n" + std::string(kReplyText))) {
            return;
        }
        SendForever(s, std::string(65536, 'x'), stop);
    });
    const Outcome outcome = CheckForUpdates(server);
    Print("endless body after Content-Length", outcome);
    ASSERT_TRUE(outcome.Succeeded) << outcome.ClientText;
    EXPECT_EQ(outcome.Body, kReplyText);
    ExpectPumped(outcome);
}

TEST_F(HttpAbuse, EndlessDownloadWithoutLengthIsEndedByTheWindowsCancel) {
    LoopbackServer server([&](SOCKET s, const std::string&) {
        if (!LoopbackServer::SendAll(s, "HTTP/1.0 200 OK\r\n\r\n")) return;
        SendForever(s, std::string(65536, 'x'), stop);
    });
    char folder[MAX_PATH];
    const DWORD length = ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder, length) + "velmora-abuse-" + std::to_string(::GetCurrentProcessId());
    constexpr std::int64_t kCancelAfter = 8 * 1024 * 1024;
    // Only if no message got through: the test ends the download itself.
    constexpr std::int64_t kSafetyStop = 128 * 1024 * 1024;
    std::int64_t received = 0;
    bool safetyStopped = false;
    // A posted message handled during the wait cancels, as a window's
    // Cancel button or closing would.
    witness.OnPosted = [&] {
        if (received >= kCancelAfter) transport.Abort();
    };
    RecordingTransport recording(transport);
    witness.Begin();
    const double start = NowMs();
    bool ended = false;
    try {
        recording.Download(server.Url("/endless.bin"), path, [&](std::int64_t got, std::int64_t) {
            received = got;
            if (got >= kSafetyStop) {
                safetyStopped = true;
                transport.Abort();
            }
        }, std::numeric_limits<std::uint64_t>::max());
    } catch (const HttpError&) {
        ended = true;
    }
    Outcome outcome;
    outcome.Ms = NowMs() - start;
    outcome.Pump = witness.End();
    outcome.Kind = recording.Kind;
    outcome.ClientText = recording.Text;
    stop = true;
    ::DeleteFileA(path.c_str());
    Print("endless download, cancelled", outcome);
    std::printf("  cancelled after %lld bytes\n", static_cast<long long>(received));
    EXPECT_TRUE(ended);
    EXPECT_FALSE(safetyStopped) << "no window message was handled during the download";
    EXPECT_EQ(outcome.Kind, HttpFailure::Aborted);
    EXPECT_GE(received, kCancelAfter);
    ExpectPumped(outcome);
}

// A connection whose data never runs dry, so the client never has to wait
// for it: faster than any network, and the same on every run.
class NeverDrySocketSystem final : public SocketSystem {
public:
    [[nodiscard]] std::unique_ptr<Socket> Connect(const std::string&, std::uint16_t, std::string&) override {
        return std::make_unique<NeverDrySocket>();
    }

private:
    class NeverDrySocket final : public Socket {
    public:
        [[nodiscard]] SocketResult PollConnect() override { return {SocketStatus::Ok, 0, 0}; }
        [[nodiscard]] SocketResult Send(std::span<const std::uint8_t> bytes) override {
            return {SocketStatus::Ok, bytes.size(), 0};
        }
        [[nodiscard]] SocketResult Receive(std::span<std::uint8_t> bytes) override {
            std::size_t n = 0;
            for (; n < bytes.size() && header_ < sizeof kHeader - 1; ++n) bytes[n] = kHeader[header_++];
            for (; n < bytes.size(); ++n) bytes[n] = 'x';
            return {SocketStatus::Ok, n, 0};
        }

    private:
        static constexpr char kHeader[] = "HTTP/1.0 200 OK\r\n\r\n";
        std::size_t header_ = 0;
    };
};

// Keeps nothing: the download's speed is then the client's own.
class DiscardingFiles final : public FileSinkFactory {
public:
    [[nodiscard]] std::unique_ptr<FileSink> Create(const std::string&) override {
        return std::make_unique<Discard>();
    }

private:
    class Discard final : public FileSink {
    public:
        [[nodiscard]] bool Write(std::span<const std::uint8_t>) override { return true; }
        [[nodiscard]] bool Close() override { return true; }
    };
};

TEST_F(HttpAbuse, DownloadWhoseDataNeverRunsDryStillHandlesWindowMessagesAndTheirCancel) {
    NeverDrySocketSystem neverDry;
    DiscardingFiles discard;
    HttpClient client(neverDry, clock, discard);
    client.InputFileMode = true;
    client.Body = "endless.bin";
    // Only if no message got through: the test ends the download itself.
    constexpr double kSafetyStopMs = 5000;
    bool safetyStopped = false;
    const double start = NowMs();
    client.OnPacketRecvd = [&] {
        if (NowMs() - start > kSafetyStopMs) {
            safetyStopped = true;
            client.Abort();
        }
    };
    witness.OnPosted = [&] { client.Abort(); };
    witness.Begin();
    std::optional<HttpFailure> kind;
    try {
        client.Get("http://127.0.0.1/endless.bin");
    } catch (const HttpError& error) {
        kind = error.Kind();
    }
    Outcome outcome;
    outcome.Ms = NowMs() - start;
    outcome.Pump = witness.End();
    outcome.Kind = kind;
    outcome.ClientText = "received " + std::to_string(client.BytesReceived) + " bytes";
    Print("download that never runs dry", outcome);
    EXPECT_EQ(kind, HttpFailure::Aborted);
    EXPECT_FALSE(safetyStopped) << "no window message was handled while data kept coming";
    EXPECT_GT(outcome.Pump.PostedHandled, 0u);
    EXPECT_LT(outcome.Pump.LongestGapMs, kPumpGapBoundMs);
}

TEST_F(HttpAbuse, OneBytePerSecondEndsAtTheOverallLimit) {
    LoopbackServer server([&](SOCKET s, const std::string&) {
        TrickleForever(s, "HTTP/1.0 200 OK\r\n\r\n" + std::string(kReplyText), stop);
    });
    if (LongRun()) {
        const Outcome outcome = CheckForUpdates(server);
        Print("one byte per second (60 s limit)", outcome);
        ExpectUserMessageWithin(outcome, update::kUpdateReplyTotalTimeoutMs);
        EXPECT_EQ(outcome.Kind, HttpFailure::Timeout);
    } else {
        const Outcome outcome = DirectGet(server, kShortTotalMs);
        Print("one byte per second (5 s limit)", outcome);
        EXPECT_FALSE(outcome.Succeeded);
        EXPECT_EQ(outcome.Kind, HttpFailure::Timeout);
        EXPECT_LT(outcome.Ms, kShortTotalMs + kMarginMs);
        ExpectPumped(outcome);
    }
}

TEST_F(HttpAbuse, SilentServerEndsAtTheIdleLimit) {
    LoopbackServer server([&](SOCKET s, const std::string&) { StaySilent(s, stop); });
    const std::uint32_t idle = LongRun() ? kDefaultIdleTimeoutMs : kShortIdleMs;
    // The short run lets the client's clock run faster instead of changing its limit.
    FastClock fast(clock, kDefaultIdleTimeoutMs / idle);
    update::HttpUpdateTransport fastTransport(sockets, fast, files);
    const Outcome outcome = CheckForUpdates(server, fastTransport);
    Print(LongRun() ? "silent server (30 s idle limit)" : "silent server (3 s idle limit)", outcome);
    ExpectUserMessageWithin(outcome, idle);
    EXPECT_EQ(outcome.Kind, HttpFailure::Timeout);
}

}  // namespace
}  // namespace velmora::testing
