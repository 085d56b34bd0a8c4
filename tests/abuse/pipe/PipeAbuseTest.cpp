// Hostile clients against the real SMART_VELMORA_SV.exe, installed in this
// program's own Wine prefix with the demo drive set and started through the
// SCM: random requests of any length and content, clients that stall or
// never read, connect/disconnect storms, several clients racing. Between
// them a well-behaved client is timed. The service must stay the same
// running process throughout; its handles and private memory are printed
// before and after.
//
// VELMORA_ABUSE_REQUESTS sets the number of random requests (1000 unless
// given), VELMORA_ABUSE_SEED the random seed.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/abuse/pipe/AbuseClients.h"
#include "tests/abuse/pipe/InstalledService.h"

namespace velmora::testing {
namespace {

constexpr int kGoodClientEvery = 50;
constexpr std::size_t kMaxRandomLength = 8 * 1024;
// Generous: the service's own bounds are 2 s a request and 2 s a flush;
// only a stuck service comes near this.
constexpr double kGoodWaitBoundMs = 15000.0;

unsigned EnvironmentNumber(const char* name, unsigned fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
}

unsigned RandomRequestCount() { return EnvironmentNumber("VELMORA_ABUSE_REQUESTS", 1000); }
unsigned Seed() { return EnvironmentNumber("VELMORA_ABUSE_SEED", 20240521u); }

void PutInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t value) {
    if (bytes.size() < offset + 4) return;
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
}

// A request of random length and content. Some are shaped to reach deeper:
// whole records, one byte short or over, a real interface type and drive
// number, the demo drive's instance name cut anywhere, no NUL at all.
std::vector<std::uint8_t> RandomRequest(std::mt19937& random) {
    std::size_t length = 0;
    switch (random() % 16) {
    case 0: case 1: case 2: case 3: length = PIPE_REQUEST_SIZE; break;
    case 4: length = PIPE_REQUEST_SIZE - 1; break;
    case 5: length = PIPE_REQUEST_SIZE + 1; break;
    case 6: length = 0; break;
    default: length = random() % (kMaxRandomLength + 1); break;
    }
    std::vector<std::uint8_t> bytes(length);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    switch (random() % 4) {
    case 0:
        break;  // all random
    case 1:
        PutInt32(bytes, request_offset::DriveNumber, static_cast<std::int32_t>(random() % 4));
        PutInt32(bytes, request_offset::InterfaceType, static_cast<std::int32_t>(random() % 5));
        break;
    case 2: {
        static constexpr char kInstance[] = "SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000_0";
        PutInt32(bytes, request_offset::InterfaceType, kInterfaceSata);
        const std::size_t cut = random() % sizeof kInstance;
        for (std::size_t i = 0; i < cut && request_offset::InstanceName + i < bytes.size(); ++i) {
            bytes[request_offset::InstanceName + i] = static_cast<std::uint8_t>(kInstance[i]);
        }
        break;
    }
    default:
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(1 + random() % 255);
        break;
    }
    return bytes;
}

// Everything the abuse has shown so far, from every thread.
struct Figures {
    std::mutex Lock;
    unsigned RandomRequests = 0;
    unsigned WholeRequests = 0;    // a reply was due
    unsigned SealedReplies = 0;    // and came whole, summing to zero
    unsigned NotConnected = 0;
    unsigned GoodExchanges = 0;
    unsigned GoodFailed = 0;
    double LongestGoodWaitMs = 0;
    std::string LongestGoodWaitWhere;
    unsigned Crashes = 0;  // checks that found another or no service process
    DWORD HandlesBefore = 0;
    ServiceProcess::Memory MemoryBefore;

    void Count(const RandomRequestResult& result) {
        std::lock_guard guard(Lock);
        ++RandomRequests;
        if (!result.Connected) ++NotConnected;
        if (result.ReplyExpected) ++WholeRequests;
        if (result.ReplyExpected && result.ReplySealed) ++SealedReplies;
    }

    void Count(const GoodExchange& exchange, const char* where) {
        std::lock_guard guard(Lock);
        ++GoodExchanges;
        if (!exchange.Served) ++GoodFailed;
        if (exchange.WaitedMs > LongestGoodWaitMs) {
            LongestGoodWaitMs = exchange.WaitedMs;
            LongestGoodWaitWhere = where;
        }
    }
};

Figures& TheFigures() {
    static Figures figures;
    return figures;
}

// Runs a timed good exchange and checks that the very same service process
// still serves.
GoodExchange GoodClientAndCrashCheck(const char* where) {
    const GoodExchange exchange = TimedGoodExchange();
    TheFigures().Count(exchange, where);
    if (!TheService().Process.StillServing()) {
        std::lock_guard guard(TheFigures().Lock);
        ++TheFigures().Crashes;
    }
    return exchange;
}

class ServiceEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SharedService& service = TheService();
        service.SetupError = InstallAndStartWithDemoDrives();
        if (!service.SetupError.empty()) return;
        const ServiceState state = QueryServiceState();
        if (!service.Process.Open(state.ProcessId)) {
            service.SetupError = "cannot open the service process " + std::to_string(state.ProcessId);
            return;
        }
        // Warm up, so that what the first exchanges set up once is in the
        // starting figures.
        for (int i = 0; i < 20; ++i) static_cast<void>(TimedGoodExchange());
        TheFigures().HandlesBefore = service.Process.HandleCount();
        TheFigures().MemoryBefore = service.Process.MemoryUse();
        std::printf("service process %lu; random requests %u, seed %u\n",
                    static_cast<unsigned long>(service.Process.ProcessId()), RandomRequestCount(), Seed());
    }
    void TearDown() override { RemoveInstalledService(); }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ServiceEnvironment);

class PipeAbuse : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(TheService().SetupError, "") << "no service to abuse"; }
    void TearDown() override {
        EXPECT_TRUE(TheService().Process.StillServing()) << "the service process is gone or was replaced";
    }
};

TEST_F(PipeAbuse, RandomRequestsFromOneClientAreAnsweredOrDroppedAndNeverStopTheService) {
    std::mt19937 random(Seed());
    const unsigned count = RandomRequestCount() / 2;
    const Stopwatch clock;
    for (unsigned i = 1; i <= count; ++i) {
        const std::vector<std::uint8_t> request = RandomRequest(random);
        const bool closeAtOnce = random() % 8 == 0;
        TheFigures().Count(SendHostileRequest(request, closeAtOnce));
        if (i % kGoodClientEvery == 0) {
            const GoodExchange good = GoodClientAndCrashCheck("between random requests");
            ASSERT_TRUE(good.Served) << "after random request " << i;
        }
    }
    std::printf("%u random requests from one client in %.0f ms\n", count, clock.Ms());
    std::lock_guard guard(TheFigures().Lock);
    EXPECT_EQ(TheFigures().SealedReplies, TheFigures().WholeRequests) << "a whole request went unanswered";
    EXPECT_EQ(TheFigures().NotConnected, 0u);
    EXPECT_EQ(TheFigures().Crashes, 0u);
}

TEST_F(PipeAbuse, TwoToFourClientsRacingWithRandomRequestsAreAllServed) {
    const unsigned total = RandomRequestCount() - RandomRequestCount() / 2;
    unsigned sealedBefore = 0;
    unsigned wholeBefore = 0;
    {
        std::lock_guard guard(TheFigures().Lock);
        sealedBefore = TheFigures().SealedReplies;
        wholeBefore = TheFigures().WholeRequests;
    }
    const Stopwatch clock;
    for (unsigned racers = 2; racers <= 4; ++racers) {
        const unsigned share = racers == 4 ? total - 2 * (total / 3) : total / 3;
        std::atomic<unsigned> done{0};
        std::vector<std::thread> threads;
        for (unsigned k = 0; k < racers; ++k) {
            const unsigned mine = share / racers + (k < share % racers ? 1 : 0);
            threads.emplace_back([&, k, mine] {
                std::mt19937 random(Seed() + 1000 * racers + k);
                for (unsigned i = 0; i < mine; ++i) {
                    const std::vector<std::uint8_t> request = RandomRequest(random);
                    TheFigures().Count(SendHostileRequest(request, random() % 8 == 0));
                    ++done;
                }
            });
        }
        // The good client steps in every 50 requests, racing the others.
        unsigned checked = 0;
        while (done < share) {
            if (done / kGoodClientEvery > checked) {
                ++checked;
                static_cast<void>(GoodClientAndCrashCheck("among racing clients"));
            } else {
                ::Sleep(1);
            }
        }
        for (auto& thread : threads) thread.join();
        std::printf("%u random requests from %u racing clients\n", share, racers);
    }
    std::printf("racing phase took %.0f ms\n", clock.Ms());
    std::lock_guard guard(TheFigures().Lock);
    EXPECT_EQ(TheFigures().SealedReplies - sealedBefore, TheFigures().WholeRequests - wholeBefore);
    EXPECT_EQ(TheFigures().NotConnected, 0u);
    EXPECT_EQ(TheFigures().GoodFailed, 0u);
    EXPECT_EQ(TheFigures().Crashes, 0u);
}

// A staller on its own thread; the good client starts once the staller holds
// the pipe.
struct StallRun {
    double DroppedAfterMs = 0;
    GoodExchange Good;
};

StallRun StallerThenGoodClient(std::size_t bytes) {
    const RequestBytes request = PipeRequest{0, kInterfaceSata, "SCSI\\DISK"}.Encode();
    win::KernelHandle connected(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    StallRun run;
    std::thread staller([&] {
        run.DroppedAfterMs = StallAfterSending(std::span<const std::uint8_t>(request.data(), bytes), connected.get());
        ::SetEvent(connected.get());  // also when it never got in
    });
    ::WaitForSingleObject(connected.get(), kOpenTimeoutMs);
    run.Good = GoodClientAndCrashCheck("behind a client that stalls");
    staller.join();
    return run;
}

TEST_F(PipeAbuse, ClientsThatSendNothingOrPartOfARequestAndStallAreDroppedAndTheNextIsServed) {
    for (std::size_t bytes : {std::size_t{0}, std::size_t{1}, PIPE_REQUEST_SIZE - 1}) {
        const StallRun run = StallerThenGoodClient(bytes);
        std::printf("staller with %zu bytes dropped after %.0f ms; good client waited %.0f ms\n", bytes,
                    run.DroppedAfterMs, run.Good.WaitedMs);
        EXPECT_GT(run.DroppedAfterMs, 0.0) << "a staller was never dropped";
        EXPECT_GE(run.DroppedAfterMs, 1500.0) << "a slow client is given its two seconds";
        EXPECT_TRUE(run.Good.Served);
        EXPECT_LT(run.Good.WaitedMs, kGoodWaitBoundMs);
    }

    // Two stallers queued ahead of the good client.
    const RequestBytes request = PipeRequest{0, kInterfaceSata, "SCSI\\DISK"}.Encode();
    win::KernelHandle first(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    win::KernelHandle second(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    double droppedA = 0;
    double droppedB = 0;
    std::thread a([&] {
        droppedA = StallAfterSending(std::span<const std::uint8_t>(request.data(), 1), first.get());
        ::SetEvent(first.get());
    });
    std::thread b([&] {
        droppedB = StallAfterSending(std::span<const std::uint8_t>(request.data(), 1), second.get());
        ::SetEvent(second.get());
    });
    ::WaitForSingleObject(first.get(), kOpenTimeoutMs);
    const GoodExchange good = GoodClientAndCrashCheck("behind two clients that stall");
    a.join();
    b.join();
    std::printf("two stallers dropped after %.0f and %.0f ms; good client waited %.0f ms\n", droppedA, droppedB,
                good.WaitedMs);
    EXPECT_GT(droppedA, 0.0);
    EXPECT_GT(droppedB, 0.0);
    EXPECT_TRUE(good.Served);
    EXPECT_LT(good.WaitedMs, 2 * kGoodWaitBoundMs);
}

TEST_F(PipeAbuse, ClientsThatNeverReadTheirReplyHoldUpTheNextOnlyBriefly) {
    const RequestBytes request = PipeRequest{0, kInterfaceSata, "SCSI\\DISK&VEN_VELMORA"}.Encode();
    for (int i = 0; i < 3; ++i) {
        win::KernelHandle connected(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        double givenUpAfter = 0;
        std::thread idle([&] {
            givenUpAfter = NeverReadTheReply(request, connected.get());
            ::SetEvent(connected.get());
        });
        ::WaitForSingleObject(connected.get(), kOpenTimeoutMs);
        const GoodExchange good = GoodClientAndCrashCheck("behind a client that never reads");
        idle.join();
        std::printf("client that never reads given up after %.0f ms; good client waited %.0f ms\n", givenUpAfter,
                    good.WaitedMs);
        EXPECT_GT(givenUpAfter, 0.0) << "the service held on to a client that never reads";
        EXPECT_TRUE(good.Served);
        EXPECT_LT(good.WaitedMs, kGoodWaitBoundMs);
    }
}

TEST_F(PipeAbuse, ConnectDisconnectStormsLeaveTheServiceServing) {
    constexpr int kStorm = 300;
    const Stopwatch clock;
    int openedA = 0;
    int openedB = 0;
    std::thread a([&] { openedA = ConnectDisconnectStorm(kStorm / 2); });
    std::thread b([&] { openedB = ConnectDisconnectStorm(kStorm - kStorm / 2); });
    // The good client races the storm.
    const GoodExchange during = GoodClientAndCrashCheck("during a connect/disconnect storm");
    a.join();
    b.join();
    const double took = clock.Ms();
    const GoodExchange after = GoodClientAndCrashCheck("after a connect/disconnect storm");
    std::printf("storm of %d connects by two clients in %.0f ms; good client waited %.0f ms during, %.0f ms after\n",
                kStorm, took, during.WaitedMs, after.WaitedMs);
    EXPECT_EQ(openedA + openedB, kStorm);
    EXPECT_TRUE(during.Served);
    EXPECT_TRUE(after.Served);
}

// Last in this file: the figures over everything above.
TEST_F(PipeAbuse, AfterAllOfItTheSameProcessServesWithoutGrowingHandlesOrMemory) {
    // Let the last disconnect settle before counting.
    for (int i = 0; i < 5; ++i) static_cast<void>(GoodClientAndCrashCheck("at the end"));
    ::Sleep(200);
    const ServiceProcess& process = TheService().Process;
    const DWORD handlesAfter = process.HandleCount();
    const ServiceProcess::Memory memoryAfter = process.MemoryUse();
    Figures& figures = TheFigures();
    std::lock_guard guard(figures.Lock);

    std::printf("abuse figures:\n");
    std::printf("  random requests %u (whole records %u, sealed replies %u, not connected %u)\n",
                figures.RandomRequests, figures.WholeRequests, figures.SealedReplies, figures.NotConnected);
    std::printf("  good exchanges %u, failed %u, longest wait %.0f ms (%s)\n", figures.GoodExchanges,
                figures.GoodFailed, figures.LongestGoodWaitMs, figures.LongestGoodWaitWhere.c_str());
    std::printf("  crashes %u (process %lu running throughout: %s)\n", figures.Crashes,
                static_cast<unsigned long>(process.ProcessId()), process.StillServing() ? "yes" : "no");
    if (figures.HandlesBefore == 0 || handlesAfter == 0) {
        std::printf("  handles: not counted (the system answers %lu / %lu)\n",
                    static_cast<unsigned long>(figures.HandlesBefore), static_cast<unsigned long>(handlesAfter));
    } else {
        std::printf("  handles before %lu, after %lu\n", static_cast<unsigned long>(figures.HandlesBefore),
                    static_cast<unsigned long>(handlesAfter));
    }
    const ServiceProcess::Memory& before = figures.MemoryBefore;
    std::printf("  memory in KiB before -> after: private %llu -> %llu, pagefile %llu -> %llu, working set %llu -> %llu\n",
                static_cast<unsigned long long>(before.PrivateUsage / 1024),
                static_cast<unsigned long long>(memoryAfter.PrivateUsage / 1024),
                static_cast<unsigned long long>(before.PagefileUsage / 1024),
                static_cast<unsigned long long>(memoryAfter.PagefileUsage / 1024),
                static_cast<unsigned long long>(before.WorkingSet / 1024),
                static_cast<unsigned long long>(memoryAfter.WorkingSet / 1024));

    EXPECT_EQ(figures.Crashes, 0u);
    EXPECT_EQ(figures.GoodFailed, 0u);
    // Generous bounds: a leak per connection would pass them within the
    // first few hundred requests.
    if (figures.HandlesBefore != 0 && handlesAfter != 0) {
        EXPECT_LT(handlesAfter, figures.HandlesBefore + 64);
    }
    if (before.PrivateBytes() != 0 && memoryAfter.PrivateBytes() != 0) {
        EXPECT_LT(memoryAfter.PrivateBytes(), before.PrivateBytes() + 32ull * 1024 * 1024);
    }
}

// After the figures: a stop while clients stall and race. The service comes
// back afterwards for whatever runs next.
TEST_F(PipeAbuse, StopWhileClientsStallAndRaceCompletesWithinAFewSeconds) {
    constexpr DWORD kOpenWhileStoppingMs = 2000;
    std::atomic<bool> quit{false};
    std::vector<std::thread> clients;
    const RequestBytes request = PipeRequest{0, kInterfaceSata, "SCSI\\DISK"}.Encode();
    for (int k = 0; k < 2; ++k) {
        clients.emplace_back([&] {
            while (!quit) {
                static_cast<void>(StallAfterSending(std::span<const std::uint8_t>(request.data(), 1), nullptr,
                                                    kOpenWhileStoppingMs));
            }
        });
        clients.emplace_back([&, k] {
            std::mt19937 random(Seed() + 77 + static_cast<unsigned>(k));
            while (!quit) {
                const std::vector<std::uint8_t> bytes = RandomRequest(random);
                static_cast<void>(SendHostileRequest(bytes, random() % 8 == 0, kOpenWhileStoppingMs));
            }
        });
    }
    ::Sleep(1000);  // let them queue up

    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS);
    ASSERT_TRUE(service);
    SERVICE_STATUS status{};
    const Stopwatch clock;
    const bool asked = ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) != FALSE;
    const bool stopped = asked && WaitForState(service.get(), SERVICE_STOPPED, kServiceStopTimeoutMs);
    const double took = clock.Ms();
    quit = true;
    for (auto& client : clients) client.join();
    SERVICE_STATUS_PROCESS final{};
    QueryState(service.get(), &final);
    std::printf("stop while two clients stall and two race: %.0f ms, exit code %lu\n", took,
                static_cast<unsigned long>(final.dwWin32ExitCode));
    EXPECT_TRUE(asked) << ::GetLastError();
    EXPECT_TRUE(stopped);
    EXPECT_LT(took, kGoodWaitBoundMs);
    EXPECT_EQ(final.dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));

    ASSERT_TRUE(StartInstalledService());
    ASSERT_TRUE(TheService().Process.Open(QueryServiceState().ProcessId));
    EXPECT_TRUE(TimedGoodExchange().Served);
}

}  // namespace
}  // namespace velmora::testing
