#include "servicehost/win/ServiceInstaller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win/UniqueHandle.h"
#include "tests/fakes/RecordingEventSink.h"
#include "tests/fakes/win/RecordingInstallerUi.h"
#include "tests/fakes/win/ScriptedService.h"

namespace velmora::win {
namespace {

using fakes::RecordingEventSink;
using fakes::RecordingInstallerUi;

// The registered configuration as QueryServiceConfigA gives it.
struct RegisteredConfig {
    std::vector<unsigned char> Buffer;
    const QUERY_SERVICE_CONFIGA* Config = nullptr;
};

RegisteredConfig QueryConfig(const std::string& name) {
    RegisteredConfig result;
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ServiceHandle service(::OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_CONFIG));
    if (!service) return result;
    DWORD needed = 0;
    ::QueryServiceConfigA(service.get(), nullptr, 0, &needed);
    result.Buffer.resize(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(result.Buffer.data());
    if (::QueryServiceConfigA(service.get(), config, needed, &needed)) result.Config = config;
    return result;
}

TEST(QuoteExecutablePath, WrapsThePathInDoubleQuotesOnce) {
    EXPECT_EQ(QuoteExecutablePath("C:\\Program Files\\Velmora\\SMART_VELMORA_SV.exe"),
              "\"C:\\Program Files\\Velmora\\SMART_VELMORA_SV.exe\"");
    EXPECT_EQ(QuoteExecutablePath("C:\\x.exe"), "\"C:\\x.exe\"");
    EXPECT_EQ(QuoteExecutablePath("\"C:\\a b\\x.exe\""), "\"C:\\a b\\x.exe\"");
}

TEST(FormatInstallerError, NamesTheDisplayNameAndTheSystemTextInQuotes) {
    const std::string reason = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_EQ(FormatInstallerError(kInstallFailedFormat, "SMART_VELMORA", ERROR_ACCESS_DENIED),
              "Service \"SMART_VELMORA\" failed to install with error: \"" + reason + "\"");
    EXPECT_EQ(FormatInstallerError(kUninstallFailedFormat, "SMART_VELMORA", ERROR_ACCESS_DENIED),
              "Service \"SMART_VELMORA\" failed to uninstall with error: \"" + reason + "\"");
}

// Registers a service of another name in this test's prefix; the program it
// names is never started.
class InstallerCommandTest : public ::testing::Test {
protected:
    void SetUp() override { static_cast<void>(UninstallService(settings)); }
    void TearDown() override { static_cast<void>(UninstallService(settings)); }

    ServiceSettings settings = fakes::ScriptedService::Settings();
    RecordingInstallerUi ui;
    RecordingEventSink events;
    const std::string path = "C:\\Program Files\\Velmora Test\\scripted.exe";
};

TEST_F(InstallerCommandTest, SilentInstallRegistersTheQuotedPathAndShowsNothing) {
    EXPECT_EQ(RunInstallerCommand({true, false, true}, settings, path, ui), 0);
    EXPECT_TRUE(ui.Information.empty());
    EXPECT_TRUE(ui.Errors.empty());

    const RegisteredConfig registered = QueryConfig(settings.Name);
    ASSERT_NE(registered.Config, nullptr) << ::GetLastError();
    const QUERY_SERVICE_CONFIGA* config = registered.Config;
    EXPECT_STREQ(config->lpBinaryPathName, "\"C:\\Program Files\\Velmora Test\\scripted.exe\"");
    EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->dwServiceType & ~static_cast<DWORD>(SERVICE_INTERACTIVE_PROCESS),
              static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->dwServiceType & static_cast<DWORD>(SERVICE_INTERACTIVE_PROCESS), 0u);
    EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_STREQ(config->lpDisplayName, "Scripted service");
    EXPECT_STREQ(config->lpServiceStartName, "LocalSystem");
}

// What Wine stores of the rest: the account and the description come back
// through the SCM; the dependencies only in the service's registry key
// (where Windows keeps them too), since Wine's QueryServiceConfig returns
// none; the service object's DACL not at all (SetServiceObjectSecurity is a
// stub, QueryServiceObjectSecurity gives an empty DACL).
TEST_F(InstallerCommandTest, AccountDependenciesAndDescriptionAreRegistered) {
    settings.Account = "NT AUTHORITY\\LocalService";
    settings.Dependencies = {"VELMORA_FIRST", "VELMORA_SECOND"};
    settings.Description = "Scripted for the installer's test";
    ASSERT_EQ(InstallService(settings, path), 0u);

    const RegisteredConfig registered = QueryConfig(settings.Name);
    ASSERT_NE(registered.Config, nullptr) << ::GetLastError();
    EXPECT_STREQ(registered.Config->lpServiceStartName, "NT AUTHORITY\\LocalService");

    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ServiceHandle service(::OpenServiceA(manager.get(), settings.Name.c_str(), SERVICE_QUERY_CONFIG));
    DWORD needed = 0;
    ::QueryServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed);
    ASSERT_TRUE(::QueryServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, buffer.data(), needed, &needed));
    EXPECT_STREQ(reinterpret_cast<SERVICE_DESCRIPTIONA*>(buffer.data())->lpDescription,
                 "Scripted for the installer's test");

    const std::string key = "SYSTEM\\CurrentControlSet\\Services\\" + settings.Name;
    char list[256] = {};
    DWORD size = sizeof list;
    DWORD type = REG_NONE;
    ASSERT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "DependOnService", RRF_RT_REG_MULTI_SZ, &type, list,
                             &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(list, size), std::string("VELMORA_FIRST\0VELMORA_SECOND\0\0", 30));
}

TEST_F(InstallerCommandTest, ObjectSecurityThatCannotBeSetLeavesNoRegistrationBehind) {
    settings.ObjectSecurity = "D:(A;;NOT_A_RIGHT;;;SY)";
    EXPECT_NE(InstallService(settings, path), 0u);
    EXPECT_EQ(UninstallService(settings), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(InstallerCommandTest, InstallAndUninstallShowTheirBoxUnlessSilent) {
    EXPECT_EQ(RunInstallerCommand({true, false, false}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({false, true, false}, settings, path, ui), 0);
    EXPECT_EQ(ui.Information, (std::vector<std::string>{"Service installed successfully",
                                                         "Service uninstalled successfully"}));
    EXPECT_TRUE(ui.Errors.empty());
}

TEST_F(InstallerCommandTest, FailuresShowTheErrorBoxAndExitWithTheErrorCode) {
    ASSERT_EQ(RunInstallerCommand({true, false, true}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({true, false, false}, settings, path, ui), ERROR_SERVICE_EXISTS);
    ASSERT_EQ(RunInstallerCommand({false, true, true}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({false, true, false}, settings, path, ui), ERROR_SERVICE_DOES_NOT_EXIST);
    ASSERT_EQ(ui.Errors.size(), 2u);
    EXPECT_EQ(ui.Errors[0], FormatInstallerError(kInstallFailedFormat, "Scripted service", ERROR_SERVICE_EXISTS));
    EXPECT_EQ(ui.Errors[1],
              FormatInstallerError(kUninstallFailedFormat, "Scripted service", ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(InstallerCommandTest, SilentFailuresGoToTheApplicationLogInsteadOfABox) {
    ASSERT_EQ(RunInstallerCommand({true, false, true}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({true, false, true}, settings, path, ui), ERROR_SERVICE_EXISTS);
    ASSERT_EQ(RunInstallerCommand({false, true, true}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({false, true, true}, settings, path, ui), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_TRUE(ui.Information.empty());
    EXPECT_TRUE(ui.Errors.empty());
    EXPECT_EQ(events.Entries,
              (std::vector<std::string>{
                  FormatInstallerError(kInstallFailedFormat, "Scripted service", ERROR_SERVICE_EXISTS),
                  FormatInstallerError(kUninstallFailedFormat, "Scripted service", ERROR_SERVICE_DOES_NOT_EXIST)}));
}

TEST_F(InstallerCommandTest, AFailedPreparationFailsTheInstallBeforeAnythingIsRegistered) {
    const PreInstallStep refused = [] { return static_cast<DWORD>(ERROR_ACCESS_DENIED); };
    EXPECT_EQ(RunInstallerCommand({true, false, true}, settings, path, ui, refused), ERROR_ACCESS_DENIED);
    EXPECT_EQ(events.Entries,
              std::vector<std::string>{FormatInstallerError(kInstallFailedFormat, "Scripted service", ERROR_ACCESS_DENIED)});
    EXPECT_EQ(UninstallService(settings), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(InstallerCommandTest, UninstallSkipsThePreparation) {
    ASSERT_EQ(RunInstallerCommand({true, false, true}, settings, path, ui), 0);
    const PreInstallStep refused = [] { return static_cast<DWORD>(ERROR_ACCESS_DENIED); };
    EXPECT_EQ(RunInstallerCommand({false, true, true}, settings, path, ui, refused), 0);
}

TEST_F(InstallerCommandTest, InstallWinsWhenBothSwitchesAreGivenAndNoSwitchDoesNothing) {
    EXPECT_EQ(RunInstallerCommand({true, true, true}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({false, false, false}, settings, path, ui), 0);
    EXPECT_EQ(UninstallService(settings), 0u);  // it was installed, and only once
    EXPECT_TRUE(ui.Errors.empty());
}

TEST_F(InstallerCommandTest, AnEmptyProgramPathIsRefused) {
    EXPECT_EQ(RunInstallerCommand({true, false, false}, settings, "", ui), ERROR_BAD_PATHNAME);
    EXPECT_EQ(ui.Errors.size(), 1u);
}

}  // namespace
}  // namespace velmora::win
