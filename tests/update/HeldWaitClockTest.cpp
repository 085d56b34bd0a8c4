#include "update/HeldWaitClock.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "update/HttpUpdateTransport.h"
#include "tests/fakes/FakeWaitClock.h"
#include "tests/fakes/MemoryFileSink.h"
#include "tests/fakes/ScriptedSocket.h"

namespace velmora {
namespace {

TEST(HeldWaitClock, StandsStillFromTheOuterHoldToItsEndAndThenGoesOnWithoutAJump) {
    fakes::FakeWaitClock inner;
    HeldWaitClock clock(inner);
    const std::uint64_t start = clock.NowMs();
    inner.Now += 100;
    clock.Hold();
    inner.Now += 5000;
    clock.Hold();
    inner.Now += 7000;
    clock.Release();
    EXPECT_EQ(clock.NowMs(), start + 100) << "still held by the outer hold";
    inner.Now += 3000;
    clock.Release();
    clock.Release();  // one too many changes nothing
    EXPECT_EQ(clock.NowMs(), start + 100);
    inner.Now += 40;
    EXPECT_EQ(clock.NowMs(), start + 140);
}

// The reply of a check: the header, then the user keeps a box open for two
// minutes inside the wait, then ten seconds more until the body.
TEST(HeldWaitClock, TheMinuteOfTheCheckCountsOnlyTimeOutsideABoxOpenedDuringIt) {
    for (const bool held : {true, false}) {
        fakes::ScriptedSocketSystem sockets;
        fakes::FakeWaitClock inner;
        inner.StepMs = 1000;
        HeldWaitClock clock(inner);
        fakes::MemoryFileSinkFactory files;
        update::HttpUpdateTransport transport(sockets, clock, files);
        sockets.Script->Reply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n");
        sockets.Script->Block(10);
        sockets.Script->Reply("ok");
        bool boxShown = false;
        inner.OnPause = [&] {
            if (boxShown) return;
            boxShown = true;
            if (held) clock.Hold();
            inner.Now += 120000;
            if (held) clock.Release();
        };
        if (held) {
            EXPECT_EQ(transport.Fetch("http://h/x"), "ok");
        } else {
            EXPECT_THROW((void)transport.Fetch("http://h/x"), std::exception);
        }
    }
}

}  // namespace
}  // namespace velmora
