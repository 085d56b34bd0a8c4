#pragma once
// A client wired to a scripted server, a fake clock and in-memory files.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "update/HttpClient.h"
#include "tests/fakes/FakeWaitClock.h"
#include "tests/fakes/MemoryFileSink.h"
#include "tests/fakes/ScriptedSocket.h"

namespace velmora::testing {

// Runs Get; the failure kind (its text in lastError), or nothing when it succeeded.
inline std::optional<HttpFailure> TryHttpGet(HttpClient& client, const std::string& url, std::string& lastError) {
    try {
        client.Get(url);
        return std::nullopt;
    } catch (const HttpError& error) {
        lastError = error.what();
        return error.Kind();
    }
}

class HttpClientHarness : public ::testing::Test {
protected:
    fakes::ScriptedSocketSystem sockets;
    fakes::FakeWaitClock clock;
    fakes::MemoryFileSinkFactory files;
    HttpClient client{sockets, clock, files};

    fakes::SocketScript& Server() { return *sockets.Script; }

    std::optional<HttpFailure> TryGet(const std::string& url) { return TryHttpGet(client, url, lastError); }

    std::string lastError;
};

inline std::string OkReply(const std::string& body, bool withLength = true) {
    std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n";
    if (withLength) reply += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return reply + "\r\n" + body;
}

}  // namespace velmora::testing
