// The HTTP client reading whatever a server or proxy sends: status line,
// header lines and body, cut into pieces of any size with stalls between
// them, ending in a close, an error or silence. Every call must end with
// success or HttpError, within the caps, with everything closed; a reply
// that succeeds is exactly the bytes that were sent.
//
// Input: a mode byte, a seed for the piece sizes, a byte for repeating the
// stream and appending filler (so the caps are in reach), then the stream.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "update/HttpClient.h"
#include "tests/fakes/FakeWaitClock.h"
#include "tests/fakes/MemoryFileSink.h"
#include "tests/fakes/ScriptedSocket.h"
#include "tests/fuzz/FuzzCheck.h"

namespace velmora {
namespace {

constexpr char kUrl[] = "http://update.example/daveruri/daveruri.php?disk=x";
constexpr char kTargetFile[] = "download.bin";
constexpr std::size_t kFillerUnit = 200 * 1024;

namespace mode {
constexpr std::uint8_t EndMask = 0x03;  // 0, 3: close; 1: silence; 2: error
constexpr std::uint8_t FileMode = 0x04;
constexpr std::uint8_t FailWrite = 0x08;
constexpr std::uint8_t ShortTimeOut = 0x10;
constexpr std::uint8_t ViaProxy = 0x20;
constexpr std::uint8_t AbortOnThirdPacket = 0x40;
constexpr std::uint8_t TotalLimit = 0x80;
}  // namespace mode

// The stream as receive events: pieces of 1 byte to more than one receive
// buffer, now and then a "would block".
void Script(fakes::SocketScript& server, const std::string& stream, std::uint32_t seed) {
    std::uint32_t state = seed * 2654435761u + 1;
    std::size_t at = 0;
    while (at < stream.size()) {
        state = state * 1664525u + 1013904223u;
        const std::uint32_t r = state >> 8;
        std::size_t size = 0;
        switch (r % 8) {
        case 0: server.Block(1); continue;
        case 1: case 2: case 3: size = 1 + (r >> 3) % 16; break;
        case 4: case 5: size = 1 + (r >> 3) % 1024; break;
        case 6: size = 1 + (r >> 3) % (kHttpChunkSize + 4096); break;
        default: size = stream.size() - at; break;
        }
        size = std::min(size, stream.size() - at);
        server.Reply(stream.substr(at, size));
        at += size;
    }
}

void CheckOutcome(const HttpClient& client, const fakes::ScriptedSocketSystem& sockets,
                  const fakes::MemoryFileSinkFactory& files, const std::string& stream, bool fileMode,
                  bool succeeded) {
    FUZZ_CHECK(client.StatusCode() >= 0 && client.StatusCode() <= 999999999);
    FUZZ_CHECK(client.Header.size() <= kMaxHeaderBytes);
    FUZZ_CHECK(stream.compare(0, client.Header.size(), client.Header) == 0);
    FUZZ_CHECK(sockets.Script->Closed);
    for (const std::size_t offered : sockets.Script->ReceiveSizes) {
        FUZZ_CHECK(offered >= 1 && offered <= kHttpChunkSize);
    }
    for (const auto& file : files.Files) FUZZ_CHECK(!file.second->Open);
    FUZZ_CHECK(client.BytesReceived >= 0);
    if (fileMode) {
        FUZZ_CHECK(client.Body == kTargetFile);
    } else {
        FUZZ_CHECK(client.Body.size() <= kMaxBodyInMemory);
    }
    if (!succeeded) return;

    const std::string& body = fileMode ? files.Files.at(kTargetFile)->Data : client.Body;
    FUZZ_CHECK(static_cast<std::int64_t>(body.size()) == client.BytesReceived);
    FUZZ_CHECK(stream.compare(client.Header.size(), body.size(), body) == 0);
    if (client.BytesTotal > 0) FUZZ_CHECK(client.BytesReceived == client.BytesTotal);
    FUZZ_CHECK(client.StatusCode() < 400);
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    const std::uint8_t seed = input.Byte();
    const std::uint8_t growth = input.Byte();
    const auto rest = input.Rest();
    const std::string piece(reinterpret_cast<const char*>(rest.data()), rest.size());
    std::string stream;
    for (int copy = 0; copy <= (growth & 0x1F); ++copy) stream += piece;
    stream.append(static_cast<std::size_t>(growth >> 5) * kFillerUnit, 'x');

    fakes::ScriptedSocketSystem sockets;
    fakes::FakeWaitClock clock;
    clock.StepMs = 250;
    fakes::MemoryFileSinkFactory files;
    files.FailWrite = (flags & mode::FailWrite) != 0;
    HttpClient client(sockets, clock, files);

    fakes::SocketScript& server = *sockets.Script;
    Script(server, stream, seed);
    switch (flags & mode::EndMask) {
    case 1: server.EndStatus = SocketStatus::WouldBlock; break;
    case 2: server.Fail(10054); break;
    default: server.Close(); break;
    }
    const bool fileMode = (flags & mode::FileMode) != 0;
    client.InputFileMode = fileMode;
    client.Body = fileMode ? kTargetFile : "";
    if (flags & mode::ShortTimeOut) client.TimeOut = 5000;
    if (flags & mode::ViaProxy) {
        client.Proxy = "proxy.example";
        client.ProxyPort = 8080;
    }
    if (flags & mode::TotalLimit) client.TotalTimeoutMs = 60000;
    int packets = 0;
    if (flags & mode::AbortOnThirdPacket) {
        client.OnPacketRecvd = [&client, &packets] {
            if (++packets == 3) client.Abort();
        };
    }
    bool redirected = false;
    client.OnRedirect = [&redirected](bool&) { redirected = true; };

    const std::uint64_t start = clock.Now;
    bool succeeded = true;
    try {
        client.Get(kUrl);
    } catch (const HttpError& error) {
        succeeded = false;
        FUZZ_CHECK(error.Kind() != HttpFailure::Busy && error.Kind() != HttpFailure::BadUrl &&
                   error.Kind() != HttpFailure::BadProxy && error.Kind() != HttpFailure::Connect);
    }
    CheckOutcome(client, sockets, files, stream, fileMode, succeeded);
    if (redirected) FUZZ_CHECK(client.StatusCode() >= 300 && client.StatusCode() <= 398);
    if (flags & mode::TotalLimit) FUZZ_CHECK(clock.Now - start <= 60000 + clock.StepMs);

    // The client is ready for the next call, whatever the last one met.
    client.OnPacketRecvd = nullptr;
    client.InputFileMode = false;
    client.Body.clear();
    sockets.Script = std::make_shared<fakes::SocketScript>();
    sockets.Script->Reply("HTTP/1.0 204 No Content\r\n\r\n");
    sockets.Script->Close();
    client.Get(kUrl);
    FUZZ_CHECK(client.StatusCode() == 204 && client.Body.empty());
    return 0;
}
