#pragma once
// A socket seam that plays a scripted server: connection attempts that stay
// pending for a while, a send window, and a queue of receive events (data,
// "would block", close, error). It records what the client sent and whether
// the connection was closed. The state lives in a shared script so the test
// can read it after the client has dropped the socket.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "update/Socket.h"

namespace velmora::fakes {

struct SocketScript {
    struct Event {
        SocketStatus Status = SocketStatus::Ok;
        std::string Data;        // Ok: bytes handed out, possibly over several calls
        std::uint32_t Error = 0;  // Failed
    };

    // Connection attempt: pending polls before the outcome.
    int ConnectPendingPolls = 0;
    SocketStatus ConnectOutcome = SocketStatus::Ok;
    // Send: most bytes taken per call (0: all), "would block" calls first.
    std::size_t SendChunk = 0;
    int SendBlockedCalls = 0;
    SocketStatus SendOutcome = SocketStatus::Ok;
    // Receive: the events in order; once used up, EndStatus every time.
    std::deque<Event> Receives;
    SocketStatus EndStatus = SocketStatus::WouldBlock;

    // Recorded.
    std::string Sent;
    int ReceiveCalls = 0;
    std::vector<std::size_t> ReceiveSizes;  // buffer size offered per call
    bool Closed = false;

    void Reply(const std::string& data) { Receives.push_back({SocketStatus::Ok, data, 0}); }
    // One event per byte: the body arrives a byte at a time.
    void ReplyByteByByte(const std::string& data) {
        for (char c : data) Reply(std::string(1, c));
    }
    void Block(int calls) {
        for (int i = 0; i < calls; ++i) Receives.push_back({SocketStatus::WouldBlock, {}, 0});
    }
    void Close() { Receives.push_back({SocketStatus::Closed, {}, 0}); }
    void Fail(std::uint32_t error) { Receives.push_back({SocketStatus::Failed, {}, error}); }
};

class ScriptedSocket final : public Socket {
public:
    explicit ScriptedSocket(std::shared_ptr<SocketScript> script) : script_(std::move(script)) {}
    ~ScriptedSocket() override { script_->Closed = true; }

    SocketResult PollConnect() override {
        if (script_->ConnectPendingPolls > 0) {
            --script_->ConnectPendingPolls;
            return {SocketStatus::WouldBlock, 0, 0};
        }
        return {script_->ConnectOutcome, 0, script_->ConnectOutcome == SocketStatus::Failed ? 10061u : 0u};
    }

    SocketResult Send(std::span<const std::uint8_t> bytes) override {
        if (script_->SendBlockedCalls > 0) {
            --script_->SendBlockedCalls;
            return {SocketStatus::WouldBlock, 0, 0};
        }
        if (script_->SendOutcome != SocketStatus::Ok) return {script_->SendOutcome, 0, 10054};
        const std::size_t n = script_->SendChunk == 0 ? bytes.size() : std::min(bytes.size(), script_->SendChunk);
        script_->Sent.append(reinterpret_cast<const char*>(bytes.data()), n);
        return {SocketStatus::Ok, n, 0};
    }

    SocketResult Receive(std::span<std::uint8_t> bytes) override {
        ++script_->ReceiveCalls;
        script_->ReceiveSizes.push_back(bytes.size());
        if (script_->Receives.empty()) return {script_->EndStatus, 0, 0};
        SocketScript::Event& next = script_->Receives.front();
        if (next.Status != SocketStatus::Ok) {
            const SocketResult result{next.Status, 0, next.Error};
            script_->Receives.pop_front();
            return result;
        }
        const std::size_t n = std::min(bytes.size(), next.Data.size());
        std::copy_n(next.Data.data(), n, bytes.data());
        next.Data.erase(0, n);
        if (next.Data.empty()) script_->Receives.pop_front();
        return {SocketStatus::Ok, n, 0};
    }

private:
    std::shared_ptr<SocketScript> script_;
};

class ScriptedSocketSystem final : public SocketSystem {
public:
    std::shared_ptr<SocketScript> Script = std::make_shared<SocketScript>();
    bool FailConnect = false;  // e.g. the name cannot be looked up
    std::string ConnectedHost;
    std::uint16_t ConnectedPort = 0;
    int Connects = 0;

    std::unique_ptr<Socket> Connect(const std::string& host, std::uint16_t port, std::string& error) override {
        ++Connects;
        ConnectedHost = host;
        ConnectedPort = port;
        if (FailConnect) {
            error = "host not found";
            return nullptr;
        }
        return std::make_unique<ScriptedSocket>(Script);
    }
};

}  // namespace velmora::fakes
