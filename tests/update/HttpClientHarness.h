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

class HttpClientHarness : public ::testing::Test {
protected:
    fakes::ScriptedSocketSystem sockets;
    fakes::FakeWaitClock clock;
    fakes::MemoryFileSinkFactory files;
    HttpClient client{sockets, clock, files};

    fakes::SocketScript& Server() { return *sockets.Script; }

    // Runs Get and returns the failure kind, or nothing when it succeeded.
    std::optional<HttpFailure> TryGet(const std::string& url) {
        try {
            client.Get(url);
            return std::nullopt;
        } catch (const HttpError& error) {
            lastError = error.what();
            return error.Kind();
        }
    }

    std::string lastError;
};

inline std::string OkReply(const std::string& body, bool withLength = true) {
    std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n";
    if (withLength) reply += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return reply + "\r\n" + body;
}

}  // namespace velmora::testing
