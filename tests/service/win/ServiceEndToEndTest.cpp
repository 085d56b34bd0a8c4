// Drives the real SMART_VELMORA_SV.exe in this test's own Wine prefix:
// install, start through the SCM, exchanges on the pipe, stop, uninstall.
// Every suite removes what it installed, also when a test fails.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "common/DriveSet.h"
#include "common/PipeRecords.h"
#include "service/win/SmartVelmoraService.h"
#include "tests/service/win/ServiceTestSupport.h"
#include "tests/fakes/win/ServiceConfigQuery.h"

namespace velmora::testing {
namespace {

constexpr DWORD kStartTimeoutMs = 60000;
constexpr DWORD kStopTimeoutMs = 30000;
// Installed from a folder with blanks, where an unquoted registration could
// run C:\Program.exe instead.
constexpr char kInstallFolder[] = "C:\\Program Files\\Velmora Test";
constexpr char kInstalledExe[] = "C:\\Program Files\\Velmora Test\\SMART_VELMORA_SV.exe";

bool ReplySumsToZero(const ReplyBytes& reply) { return ReplyChecksumOk(reply.data(), reply.size()); }

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

bool PrepareInstalledCopy() {
    ::CreateDirectoryA("C:\\Program Files", nullptr);
    ::CreateDirectoryA(kInstallFolder, nullptr);
    return ::CopyFileA(ServiceExePath().c_str(), kInstalledExe, FALSE) != FALSE;
}

bool StartService() {
    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_START | SERVICE_QUERY_STATUS);
    if (!service) return false;
    if (QueryState(service.get()) != SERVICE_RUNNING) {
        if (!::StartServiceA(service.get(), 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
            return false;
        }
        if (!WaitForState(service.get(), SERVICE_RUNNING, kStartTimeoutMs)) return false;
    }
    // Running is reported just before the pipe is created: wait for it.
    const ULONGLONG deadline = ::GetTickCount64() + kStartTimeoutMs;
    while (::GetTickCount64() < deadline) {
        if (::WaitNamedPipeA(kPipeName, 50)) return true;
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) return true;  // exists but busy
        ::Sleep(5);
    }
    return false;
}

bool StopService() {
    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) return false;
    if (QueryState(service.get()) == SERVICE_STOPPED) return true;
    SERVICE_STATUS status{};
    ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    return WaitForState(service.get(), SERVICE_STOPPED, kStopTimeoutMs);
}

// Installs with the program itself, as the installer does, and removes any
// earlier registration first.
void InstallFresh() {
    ASSERT_TRUE(RemoveService(win::kServiceName));
    ASSERT_TRUE(PrepareInstalledCopy()) << ::GetLastError();
    const ProgramRun run = RunProgram(kInstalledExe, "/INSTALL /SILENT");
    ASSERT_TRUE(run.Ended);
    ASSERT_EQ(run.ExitCode, 0u);
}

void RemoveEverything() {
    static_cast<void>(StopService());
    static_cast<void>(RemoveService(win::kServiceName));
    static_cast<void>(SetDriveSetPath(nullptr));
}

PipeRequest AtaRequest(std::string instance) { return PipeRequest{0, kInterfaceSata, std::move(instance)}; }

// ---------------------------------------------------------------------------
// The service as installed on a machine without a drive set (Wine has no
// failure-prediction rows).

class InstalledService : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RemoveEverything();
        InstallFresh();
    }
    static void TearDownTestSuite() { RemoveEverything(); }

    void SetUp() override { ASSERT_TRUE(StartService()) << "service did not start"; }
};

TEST_F(InstalledService, IsRegisteredWithItsQuotedPathToStartAutomatically) {
    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_QUERY_CONFIG);
    ASSERT_TRUE(service);
    testing::ServiceConfigQuery query(service.get());
    ASSERT_TRUE(query.Ok());
    const QUERY_SERVICE_CONFIGA* config = query.Config();
    EXPECT_EQ(std::string(config->lpBinaryPathName), std::string("\"") + kInstalledExe + "\"");
    EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_STREQ(config->lpDisplayName, "SMART_VELMORA");
}

TEST_F(InstalledService, ExchangeReturnsAWholeSealedReplyWithoutStatusOrDataForADiskWmiDoesNotList) {
    // No system's instance names begin with this, Wine's (no rows) or Windows's.
    const Exchange exchange = ExchangeWithService(AtaRequest("VELMORA\\NO_SUCH_DISK"));
    ASSERT_TRUE(exchange.Connected);
    ASSERT_EQ(exchange.ReplyLength, PIPE_REPLY_SIZE);
    EXPECT_TRUE(ReplySumsToZero(exchange.Reply));
    const PipeReply reply = PipeReply::Decode(exchange.Reply);
    EXPECT_EQ(reply.StatusValid, 0);
    EXPECT_EQ(reply.DataValid, 0);
}

TEST_F(InstalledService, RequestOneByteShortGetsNoReply) {
    const RequestBytes request = AtaRequest("SCSI\\DISK").Encode();
    win::FileHandle pipe = ConnectToService(30000);
    ASSERT_TRUE(pipe);
    ASSERT_TRUE(WriteAll(pipe.get(), std::span<const std::uint8_t>(request.data(), PIPE_REQUEST_SIZE - 1)));
    ReplyBytes reply{};
    EXPECT_EQ(ReadReply(pipe.get(), reply), 0u);
}

TEST_F(InstalledService, ASecondSilentInstallFailsWithTheErrorCodeAndOpensNoWindow) {
    const ProgramRun again = RunProgram(kInstalledExe, "/INSTALL /SILENT", 20000);
    ASSERT_TRUE(again.Ended);
    EXPECT_EQ(again.ExitCode, static_cast<DWORD>(ERROR_SERVICE_EXISTS));
    EXPECT_FALSE(again.ShowedWindow);
}

TEST_F(InstalledService, StopWhileIdleCompletesWellUnderOneSecond) {
    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS);
    ASSERT_TRUE(service);
    SERVICE_STATUS status{};
    const LARGE_INTEGER start = Now();
    ASSERT_TRUE(::ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) << ::GetLastError();
    ASSERT_TRUE(WaitForState(service.get(), SERVICE_STOPPED, kStopTimeoutMs));
    const double took = MillisecondsSince(start);
    std::printf("stop while idle took %.0f ms\n", took);
    EXPECT_LT(took, 1000.0);

    SERVICE_STATUS_PROCESS final{};
    QueryState(service.get(), &final);
    EXPECT_EQ(final.dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));
    // The pipe went with the service.
    EXPECT_FALSE(::WaitNamedPipeA(kPipeName, 0));
}

TEST_F(InstalledService, StopWhileASlowClientIsServedIsPendingAtOnceAndCompletesWithinOneSecond) {
    // Half a request: the service waits for the rest, up to its 2000 ms limit.
    const RequestBytes request = AtaRequest("SCSI\\DISK").Encode();
    win::FileHandle pipe = ConnectToService(30000);
    ASSERT_TRUE(pipe);
    ASSERT_TRUE(WriteAll(pipe.get(), std::span<const std::uint8_t>(request.data(), PIPE_REQUEST_SIZE / 2)));
    ::Sleep(200);

    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS);
    ASSERT_TRUE(service);
    SERVICE_STATUS status{};
    const LARGE_INTEGER start = Now();
    ASSERT_TRUE(::ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) << ::GetLastError();
    EXPECT_NE(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_NE(QueryState(service.get()), static_cast<DWORD>(SERVICE_RUNNING));
    ASSERT_TRUE(WaitForState(service.get(), SERVICE_STOPPED, kStopTimeoutMs));
    const double took = MillisecondsSince(start);
    std::printf("stop while serving took %.0f ms\n", took);
    EXPECT_LT(took, 1000.0);
}

TEST_F(InstalledService, ServiceThatCannotCreateItsPipeStopsWithAServiceSpecificError) {
    ASSERT_TRUE(StopService());
    win::FileHandle squatter(::CreateNamedPipeA(kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                                PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr));
    ASSERT_TRUE(squatter) << ::GetLastError();
    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_START | SERVICE_QUERY_STATUS);
    ASSERT_TRUE(service);
    ASSERT_TRUE(::StartServiceA(service.get(), 0, nullptr)) << ::GetLastError();
    ASSERT_TRUE(WaitForState(service.get(), SERVICE_STOPPED, kStartTimeoutMs));
    SERVICE_STATUS_PROCESS final{};
    QueryState(service.get(), &final);
    EXPECT_EQ(final.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(final.dwServiceSpecificExitCode, static_cast<DWORD>(win::umain_line::PipeNotCreated));
}

// ---------------------------------------------------------------------------

TEST(UninstallCommand, SilentUninstallRemovesTheServiceAndExitsWithZero) {
    RemoveEverything();
    InstallFresh();
    ASSERT_TRUE(OpenService(win::kServiceName, SERVICE_QUERY_STATUS));
    const ProgramRun run = RunProgram(kInstalledExe, "-uninstall -silent");
    ASSERT_TRUE(run.Ended);
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_FALSE(OpenService(win::kServiceName, SERVICE_QUERY_STATUS));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    RemoveEverything();
}

// ---------------------------------------------------------------------------
// The service reading the demo drive set named in the registry.

std::string RepositoryRoot() {
    std::string data = VELMORA_TEST_DATA;  // <root>/tests/data
    const std::string tail = "/tests/data";
    if (data.size() >= tail.size() && data.compare(data.size() - tail.size(), tail.size(), tail) == 0) {
        data.resize(data.size() - tail.size());
    }
    return data;
}

class ServiceWithDriveSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RemoveEverything();
        InstallFresh();
        setPath = std::make_unique<std::string>(WindowsPathOf(RepositoryRoot() + "/examples/demo-drives.ini"));
        ASSERT_TRUE(SetDriveSetPath(setPath.get()));
    }
    static void TearDownTestSuite() {
        RemoveEverything();
        setPath.reset();
    }

    void SetUp() override {
        ASSERT_TRUE(StartService());
        std::ifstream file(*setPath, std::ios::binary);
        ASSERT_TRUE(file) << *setPath;
        std::stringstream text;
        text << file.rdbuf();
        parsed = ParseDriveSet(text.str());
        ASSERT_TRUE(parsed.Ok());
        ASSERT_GE(parsed.Set.Disks.size(), 3u);
    }

    static std::unique_ptr<std::string> setPath;
    DriveSetParseResult parsed;
};

std::unique_ptr<std::string> ServiceWithDriveSet::setPath;

TEST_F(ServiceWithDriveSet, AtaRequestGetsTheVendorSpecificBytesAndStatusOfItsDisk) {
    const DriveSetDisk& disk = parsed.Set.Disks[0];
    ASSERT_TRUE(disk.VendorSpecific && disk.PNPDeviceID);
    const Exchange exchange = ExchangeWithService(AtaRequest(*disk.PNPDeviceID));
    ASSERT_EQ(exchange.ReplyLength, PIPE_REPLY_SIZE);
    ASSERT_TRUE(ReplySumsToZero(exchange.Reply));
    const PipeReply reply = PipeReply::Decode(exchange.Reply);
    EXPECT_EQ(reply.StatusValid, 1);
    EXPECT_EQ(reply.Active, 1);
    EXPECT_EQ(reply.PredictFailure, 0);
    EXPECT_EQ(reply.DataValid, 1);
    ASSERT_EQ(reply.DataLength, static_cast<std::int32_t>(disk.VendorSpecific->size()));
    EXPECT_TRUE(std::equal(disk.VendorSpecific->begin(), disk.VendorSpecific->end(), reply.Data.begin()));
    for (std::size_t i = disk.VendorSpecific->size(); i < PIPE_DATA_SIZE; ++i) ASSERT_EQ(reply.Data[i], 0) << i;
}

TEST_F(ServiceWithDriveSet, NvmeRequestGetsTheHealthLogOfTheDriveWithThatIndex) {
    const DriveSetDisk& disk = parsed.Set.Disks[1];
    ASSERT_TRUE(disk.HealthLog && disk.NumericIndex());
    const Exchange exchange = ExchangeWithService(PipeRequest{*disk.NumericIndex(), kInterfaceNvme, ""});
    ASSERT_EQ(exchange.ReplyLength, PIPE_REPLY_SIZE);
    ASSERT_TRUE(ReplySumsToZero(exchange.Reply));
    const PipeReply reply = PipeReply::Decode(exchange.Reply);
    EXPECT_EQ(reply.StatusValid, 0);
    EXPECT_EQ(reply.Active, 0);
    EXPECT_EQ(reply.PredictFailure, 0);
    EXPECT_EQ(reply.DataValid, 1);
    ASSERT_EQ(reply.DataLength, 512);
    EXPECT_TRUE(std::equal(disk.HealthLog->begin(), disk.HealthLog->end(), reply.Data.begin()));
    EXPECT_EQ(reply.Data[512], 0);
}

}  // namespace
}  // namespace velmora::testing
