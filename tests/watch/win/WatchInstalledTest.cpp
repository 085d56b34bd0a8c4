// The watch through the Service Control Manager in this test's own prefix:
// the real SMART_VELMORA_WATCH.exe registered with its own /INSTALL /SILENT,
// started, sent control 128, stopped and removed; then watch_probe.exe under
// the watch's name, whose work writes down each sample request and ignores
// the stop for 10 s. Wine starts a service without its dependencies, so the
// data service is not needed here.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/ServiceNames.h"
#include "common/win/ProgramDataPaths.h"
#include "servicehost/win/ServiceInstaller.h"
#include "tests/service/win/ServiceTestSupport.h"
#include "watch/win/WatchService.h"
#include "tests/fakes/win/ServiceConfigQuery.h"

namespace velmora::testing {
namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kSelfStopTimeoutMs = 30000;

std::string WatchExe() { return ProgramDirectory() + "SMART_VELMORA_WATCH.exe"; }
std::string ProbeExe() { return ProgramDirectory() + "watch_probe.exe"; }
std::string ProbeLog() { return ProgramDirectory() + "watch_probe.log"; }

constexpr DWORD kControlAccess = SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_USER_DEFINED_CONTROL;

bool StartWatch() {
    win::ServiceHandle service = OpenService(kWatchServiceName, kControlAccess);
    if (!service) return false;
    if (!::StartServiceA(service.get(), 0, nullptr)) return false;
    return WaitForState(service.get(), SERVICE_RUNNING, kStartTimeoutMs);
}

// Milliseconds from the stop control to STOPPED; a negative value when it
// did not come.
double StopWatchTimed(SC_HANDLE service) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    SERVICE_STATUS status{};
    if (!::ControlService(service, SERVICE_CONTROL_STOP, &status)) return -1;
    if (!WaitForState(service, SERVICE_STOPPED, kSelfStopTimeoutMs)) return -1;
    ::QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class InstalledWatch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(RemoveService(kWatchServiceName));
        const ProgramRun run = RunProgram(WatchExe(), "/INSTALL /SILENT");
        ASSERT_TRUE(run.Ended);
        ASSERT_EQ(run.ExitCode, 0u);
    }
    static void TearDownTestSuite() { static_cast<void>(RemoveService(kWatchServiceName)); }
};

TEST_F(InstalledWatch, IsRegisteredAsLocalServiceToStartAutomaticallyAfterTheDataService) {
    win::ServiceHandle service = OpenService(kWatchServiceName, SERVICE_QUERY_CONFIG);
    ASSERT_TRUE(service);
    testing::ServiceConfigQuery query(service.get());
    ASSERT_TRUE(query.Ok());
    const QUERY_SERVICE_CONFIGA* config = query.Config();
    DWORD needed = 0;
    EXPECT_EQ(std::string(config->lpBinaryPathName), "\"" + WatchExe() + "\"");
    EXPECT_STREQ(config->lpDisplayName, "VELMORA SSD health watch");
    EXPECT_STREQ(config->lpServiceStartName, "NT AUTHORITY\\LocalService");
    EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));

    ::QueryServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, nullptr, 0, &needed);
    std::vector<unsigned char> description(needed);
    ASSERT_TRUE(::QueryServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, description.data(), needed, &needed));
    EXPECT_STRNE(reinterpret_cast<SERVICE_DESCRIPTIONA*>(description.data())->lpDescription, "");

    // Wine's QueryServiceConfig gives no dependencies; the service's key has them.
    char list[64] = {};
    DWORD size = sizeof list;
    ASSERT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\SMART_VELMORA_WATCH",
                             "DependOnService", RRF_RT_REG_MULTI_SZ, nullptr, list, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(list, size), std::string("SMART_VELMORA\0\0", 15));
}

TEST_F(InstalledWatch, InstallMadeTheHistoryFolderAndASecondSilentInstallFailsWithoutABox) {
    EXPECT_TRUE(IsFolder(win::HistoryFolder()));
    // A box would keep the program waiting until the time limit.
    const ProgramRun again = RunProgram(WatchExe(), "/INSTALL /SILENT", 20000);
    ASSERT_TRUE(again.Ended);
    EXPECT_EQ(again.ExitCode, static_cast<DWORD>(ERROR_SERVICE_EXISTS));
    EXPECT_FALSE(again.ShowedWindow);
}

TEST_F(InstalledWatch, RunsTakesItsOwnControlsAndStopsWellWithinASecond) {
    ASSERT_TRUE(StartWatch());
    win::ServiceHandle service = OpenService(kWatchServiceName, kControlAccess);
    ASSERT_TRUE(service);
    SERVICE_STATUS status{};
    EXPECT_TRUE(::ControlService(service.get(), kWatchSampleNowControl, &status)) << ::GetLastError();
    EXPECT_TRUE(::ControlService(service.get(), 255, &status)) << ::GetLastError();
    const double took = StopWatchTimed(service.get());
    std::printf("stop of the idle watch took %.0f ms\n", took);
    EXPECT_GE(took, 0.0);
    EXPECT_LT(took, 1000.0);
    SERVICE_STATUS_PROCESS final{};
    QueryState(service.get(), &final);
    EXPECT_EQ(final.dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));
}

TEST(UninstalledWatch, SilentUninstallRemovesTheServiceButKeepsTheHistory) {
    ASSERT_TRUE(RemoveService(kWatchServiceName));
    ASSERT_EQ(RunProgram(WatchExe(), "/INSTALL /SILENT").ExitCode, 0u);
    const ProgramRun run = RunProgram(WatchExe(), "-uninstall -silent");
    ASSERT_TRUE(run.Ended);
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_FALSE(OpenService(kWatchServiceName, SERVICE_QUERY_STATUS));
    EXPECT_TRUE(IsFolder(win::HistoryFolder()));
}

// ---------------------------------------------------------------------------

class ProbeWatch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RemoveService(kWatchServiceName));
        ::DeleteFileA(ProbeLog().c_str());
        ASSERT_EQ(win::InstallService(win::WatchServiceSettings(), ProbeExe()), 0u);
    }
    void TearDown() override { static_cast<void>(RemoveService(kWatchServiceName)); }

    static int LoggedSamples() {
        std::ifstream file(ProbeLog());
        std::stringstream text;
        text << file.rdbuf();
        int count = 0;
        for (std::string line; std::getline(text, line);) count += line == "sample" ? 1 : 0;
        return count;
    }
};

TEST_F(ProbeWatch, SampleRequestsReachTheWorkAndAStopIsAnsweredWithinASecondWhileTheWorkIgnoresIt) {
    ASSERT_TRUE(StartWatch());
    win::ServiceHandle service = OpenService(kWatchServiceName, kControlAccess);
    ASSERT_TRUE(service);
    SERVICE_STATUS status{};
    ASSERT_TRUE(::ControlService(service.get(), kWatchSampleNowControl, &status)) << ::GetLastError();
    ASSERT_TRUE(::ControlService(service.get(), kWatchSampleNowControl, &status)) << ::GetLastError();
    const ULONGLONG deadline = ::GetTickCount64() + 10000;
    while (LoggedSamples() < 2 && ::GetTickCount64() < deadline) ::Sleep(10);
    EXPECT_EQ(LoggedSamples(), 2);

    SERVICE_STATUS_PROCESS running{};
    QueryState(service.get(), &running);
    win::KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, running.dwProcessId));
    ASSERT_TRUE(process) << ::GetLastError();

    const double took = StopWatchTimed(service.get());
    std::printf("stop while the work ignores it took %.0f ms\n", took);
    EXPECT_GE(took, 0.0);
    EXPECT_LT(took, 1000.0);
    // The work would go on for 10 s; the process ends long before that.
    EXPECT_EQ(::WaitForSingleObject(process.get(), 3000), static_cast<DWORD>(WAIT_OBJECT_0));
}

}  // namespace
}  // namespace velmora::testing
