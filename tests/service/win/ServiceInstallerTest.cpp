#include "service/win/ServiceInstaller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win/UniqueHandle.h"
#include "tests/fakes/win/RecordingInstallerUi.h"
#include "tests/fakes/win/ScriptedService.h"

namespace velmora::win {
namespace {

using fakes::RecordingInstallerUi;

TEST(QuoteExecutablePath, WrapsThePathInDoubleQuotesOnce) {
    EXPECT_EQ(QuoteExecutablePath("C:\\Program Files\\Velmora\\SMART_VELMORA_SV.exe"),
              "\"C:\\Program Files\\Velmora\\SMART_VELMORA_SV.exe\"");
    EXPECT_EQ(QuoteExecutablePath("C:\\x.exe"), "\"C:\\x.exe\"");
    EXPECT_EQ(QuoteExecutablePath("\"C:\\a b\\x.exe\""), "\"C:\\a b\\x.exe\"");
}

TEST(SystemErrorText, DropsTheTrailingLineBreakAndFullStop) {
    const std::string text = SystemErrorText(ERROR_SERVICE_DOES_NOT_EXIST);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_EQ(text.find("Error "), std::string::npos) << text;
}

TEST(SystemErrorText, CodeWithoutSystemTextIsNamedByNumber) {
    EXPECT_EQ(SystemErrorText(0x2FFFFFF1u), "Error 805306353");
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
    const std::string path = "C:\\Program Files\\Velmora Test\\scripted.exe";
};

TEST_F(InstallerCommandTest, SilentInstallRegistersTheQuotedPathAndShowsNothing) {
    EXPECT_EQ(RunInstallerCommand({true, false, true}, settings, path, ui), 0);
    EXPECT_TRUE(ui.Information.empty());
    EXPECT_TRUE(ui.Errors.empty());

    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ASSERT_TRUE(manager);
    ServiceHandle service(::OpenServiceA(manager.get(), settings.Name.c_str(), SERVICE_QUERY_CONFIG));
    ASSERT_TRUE(service) << ::GetLastError();
    DWORD needed = 0;
    ::QueryServiceConfigA(service.get(), nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    ASSERT_TRUE(::QueryServiceConfigA(service.get(), config, needed, &needed)) << ::GetLastError();
    EXPECT_STREQ(config->lpBinaryPathName, "\"C:\\Program Files\\Velmora Test\\scripted.exe\"");
    EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->dwServiceType & ~static_cast<DWORD>(SERVICE_INTERACTIVE_PROCESS),
              static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->dwServiceType & static_cast<DWORD>(SERVICE_INTERACTIVE_PROCESS), 0u);
    EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_STREQ(config->lpDisplayName, "Scripted service");
}

TEST_F(InstallerCommandTest, InstallAndUninstallShowTheirBoxUnlessSilent) {
    EXPECT_EQ(RunInstallerCommand({true, false, false}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({false, true, false}, settings, path, ui), 0);
    EXPECT_EQ(ui.Information, (std::vector<std::string>{"Service installed successfully",
                                                         "Service uninstalled successfully"}));
    EXPECT_TRUE(ui.Errors.empty());
}

TEST_F(InstallerCommandTest, FailuresShowTheErrorBoxEvenWhenSilentAndExitWithTheErrorCode) {
    ASSERT_EQ(RunInstallerCommand({true, false, true}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({true, false, true}, settings, path, ui), ERROR_SERVICE_EXISTS);
    ASSERT_EQ(RunInstallerCommand({false, true, true}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({false, true, true}, settings, path, ui), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_TRUE(ui.Information.empty());
    ASSERT_EQ(ui.Errors.size(), 2u);
    EXPECT_EQ(ui.Errors[0], FormatInstallerError(kInstallFailedFormat, "Scripted service", ERROR_SERVICE_EXISTS));
    EXPECT_EQ(ui.Errors[1],
              FormatInstallerError(kUninstallFailedFormat, "Scripted service", ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(InstallerCommandTest, InstallWinsWhenBothSwitchesAreGivenAndNoSwitchDoesNothing) {
    EXPECT_EQ(RunInstallerCommand({true, true, true}, settings, path, ui), 0);
    EXPECT_EQ(RunInstallerCommand({false, false, false}, settings, path, ui), 0);
    EXPECT_EQ(UninstallService(settings), 0u);  // it was installed, and only once
    EXPECT_TRUE(ui.Errors.empty());
}

TEST_F(InstallerCommandTest, AnEmptyProgramPathIsRefused) {
    EXPECT_EQ(RunInstallerCommand({true, false, true}, settings, "", ui), ERROR_BAD_PATHNAME);
    EXPECT_EQ(ui.Errors.size(), 1u);
}

}  // namespace
}  // namespace velmora::win
