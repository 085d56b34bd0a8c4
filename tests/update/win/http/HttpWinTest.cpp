// The HTTP client over real Winsock and the real message pump, against a
// loopback server in this process (and a real proxy when the wrapper script
// started one and named it in VELMORA_HTTP_PROXY).

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "update/HttpClient.h"
#include "update/win/MessagePump.h"
#include "update/win/WinsockSocket.h"
#include "tests/update/HttpClientHarness.h"
#include "tests/update/win/http/LoopbackServer.h"

namespace velmora::testing {
namespace {

constexpr std::uint64_t k100MiB = 100ull * 1024 * 1024;

// The byte at offset i of a generated download: not periodic in 64 KiB, so a
// lost, repeated or reordered chunk shows.
std::uint8_t PatternByte(std::uint64_t i) { return static_cast<std::uint8_t>((i * 131u + (i >> 16) * 7u) & 0xffu); }

std::string TempPath(const char* name) {
    char folder[MAX_PATH];
    const DWORD length = ::GetTempPathA(MAX_PATH, folder);
    return std::string(folder, length) + "velmora-http-" + std::to_string(::GetCurrentProcessId()) + "-" + name;
}

class HttpWin : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(winsock.Ok()) << winsock.Error(); }
    void TearDown() override {
        for (const auto& path : created) ::DeleteFileA(path.c_str());
    }

    std::string NewFile(const char* name) {
        created.push_back(TempPath(name));
        return created.back();
    }

    std::optional<HttpFailure> TryGet(const std::string& url) { return TryHttpGet(client, url, lastError); }

    win::WinsockScope winsock;
    win::WinsockSocketSystem sockets;
    win::MessagePumpClock clock;
    StdioFileSinkFactory files;
    HttpClient client{sockets, clock, files};
    std::vector<std::string> created;
    std::string lastError;
};

TEST_F(HttpWin, AReplyWithoutContentLengthEndsWhenTheServerCloses) {
    LoopbackServer server([](SOCKET s, const std::string&) {
        static_cast<void>(LoopbackServer::SendAll(s, "HTTP/1.0 200 OK\r\n\r\n[file version]\r\n"));
        ::Sleep(50);
        static_cast<void>(LoopbackServer::SendAll(s, "version=1.0\r\n"));
    });
    ASSERT_EQ(TryGet(server.Url("/daveruri/daveruri.php?disk=")), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, "[file version]\r\nversion=1.0\r\n");
    EXPECT_EQ(client.BytesTotal, 0);
}

TEST_F(HttpWin, ARefusedConnectionFails) {
    std::uint16_t port = 0;
    {
        LoopbackServer closed([](SOCKET, const std::string&) {});
        port = closed.Port();
    }
    EXPECT_EQ(TryGet("http://127.0.0.1:" + std::to_string(port) + "/"), HttpFailure::Connect);
}

TEST_F(HttpWin, AHostNameIsLookedUpAndReached) {
    LoopbackServer server([](SOCKET s, const std::string&) {
        static_cast<void>(LoopbackServer::SendAll(s, "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    });
    ASSERT_EQ(TryGet("http://localhost:" + std::to_string(server.Port()) + "/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].find("\r\nHost: localhost\r\n"), std::string::npos);
}

TEST_F(HttpWin, AnUnknownHostFails) {
    EXPECT_EQ(TryGet("http://no-such-host.invalid/"), HttpFailure::Connect);
}

// A timer message handled by the pump while the client waits aborts it.
HttpClient* gAbortTarget = nullptr;
void CALLBACK AbortOnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (gAbortTarget != nullptr) gAbortTarget->Abort();
}

TEST_F(HttpWin, ATimerHandledDuringTheWaitCanAbortIt) {
    // The server stays silent until the test is over (at most 5 s).
    std::atomic<bool> over{false};
    LoopbackServer server([&](SOCKET s, const std::string&) {
        static_cast<void>(LoopbackServer::SendAll(s, "HTTP/1.0 200 OK\r\n\r\nslow"));
        for (int i = 0; i < 500 && !over; ++i) ::Sleep(10);
    });
    gAbortTarget = &client;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, AbortOnTimer);
    ASSERT_NE(timer, 0u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(TryGet(server.Url("/")), HttpFailure::Aborted);
    const auto took = std::chrono::steady_clock::now() - start;
    ::KillTimer(nullptr, timer);
    gAbortTarget = nullptr;
    over = true;
    // Well before the server's silence ends, so the timer did it.
    EXPECT_LT(took, std::chrono::milliseconds(4000));
}

void Serve100MiB(SOCKET s) {
    if (!LoopbackServer::SendAll(s, "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(k100MiB) + "\r\n\r\n")) {
        return;
    }
    std::string block(1 << 20, '\0');
    for (std::uint64_t offset = 0; offset < k100MiB; offset += block.size()) {
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(PatternByte(offset + i));
        if (!LoopbackServer::SendAll(s, block)) return;
    }
}

void ExpectPatternFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<std::uint8_t> block(1 << 20);
    std::uint64_t offset = 0;
    std::uint64_t mismatches = 0;
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file);
        if (got == 0) break;
        for (std::size_t i = 0; i < got; ++i) mismatches += block[i] != PatternByte(offset + i) ? 1 : 0;
        offset += got;
    }
    std::fclose(file);
    EXPECT_EQ(offset, k100MiB);
    EXPECT_EQ(mismatches, 0u);
}

void Download100MiB(HttpClient& client, const std::string& url, const std::string& path) {
    client.InputFileMode = true;
    client.Body = path;
    std::vector<int> percents;
    client.OnPacketRecvd = [&] {
        const int percent = ProgressPercent(client.BytesReceived, client.BytesTotal);
        if (percents.empty() || percents.back() != percent) percents.push_back(percent);
    };
    const auto start = std::chrono::steady_clock::now();
    ASSERT_NO_THROW(client.Get(url));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("100 MiB in %.2f s (%.1f MiB/s)\n", seconds, 100.0 / seconds);
    EXPECT_EQ(client.BytesTotal, static_cast<std::int64_t>(k100MiB));
    EXPECT_EQ(client.BytesReceived, static_cast<std::int64_t>(k100MiB));
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    ExpectPatternFile(path);
}

TEST_F(HttpWin, A100MiBDownloadLandsByteExactWithPercentagesReaching100) {
    LoopbackServer server([](SOCKET s, const std::string&) { Serve100MiB(s); });
    Download100MiB(client, server.Url("/big.bin"), NewFile("big.bin"));
}

// VELMORA_HTTP_PROXY=host:port names a real proxy (started by the wrapper).
std::optional<std::pair<std::string, int>> ProxyFromEnvironment() {
    const char* value = std::getenv("VELMORA_HTTP_PROXY");
    if (value == nullptr) return std::nullopt;
    const std::string text = value;
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    return std::make_pair(text.substr(0, colon), std::atoi(text.c_str() + colon + 1));
}

TEST_F(HttpWin, ThroughARealProxyTheSameDownloadLandsByteExact) {
    const auto proxy = ProxyFromEnvironment();
    if (!proxy) GTEST_SKIP() << "no proxy named in VELMORA_HTTP_PROXY";
    LoopbackServer server([](SOCKET s, const std::string&) { Serve100MiB(s); });
    client.Proxy = proxy->first;
    client.ProxyPort = proxy->second;
    Download100MiB(client, server.Url("/big.bin"), NewFile("big-proxy.bin"));
    ASSERT_EQ(server.Requests().size(), 1u);
}

TEST_F(HttpWin, ThroughARealProxyANotFoundReplyFails) {
    const auto proxy = ProxyFromEnvironment();
    if (!proxy) GTEST_SKIP() << "no proxy named in VELMORA_HTTP_PROXY";
    LoopbackServer server([](SOCKET s, const std::string&) {
        static_cast<void>(LoopbackServer::SendAll(s, "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\ngone"));
    });
    client.Proxy = proxy->first;
    client.ProxyPort = proxy->second;
    client.TotalTimeoutMs = 60000;
    EXPECT_EQ(TryGet(server.Url("/daveruri/daveruri.php?disk=")), HttpFailure::ErrorStatus);
    EXPECT_EQ(client.Body, "gone");
}

}  // namespace
}  // namespace velmora::testing
