#pragma once
// Registering and removing a service with the Service Control Manager,
// and the command that does either from the program's switches, telling
// the user in message boxes, or with SILENT only the Application log. Exit
// status: 0 on success, the system error code on failure, so that scripts
// and installers can tell.

#include <windows.h>

#include <string>
#include <string_view>

#include "common/ProgramTexts.h"
#include "common/win/SystemText.h"
#include "servicehost/ServiceCommandLine.h"
#include "servicehost/win/ServiceFramework.h"

namespace velmora::win {

inline constexpr char kInstalledText[] = "Service installed successfully";
inline constexpr char kUninstalledText[] = "Service uninstalled successfully";
inline constexpr char kInstallFailedFormat[] = "Service \"%s\" failed to install with error: \"%s\"";
inline constexpr char kUninstallFailedFormat[] = "Service \"%s\" failed to uninstall with error: \"%s\"";

// Where the installer's messages go: message boxes, or a recorder in tests.
class InstallerUi {
public:
    virtual ~InstallerUi() = default;
    virtual void ShowInformation(std::string_view text) noexcept = 0;
    virtual void ShowError(std::string_view text) noexcept = 0;
};

class MessageBoxUi final : public InstallerUi {
public:
    void ShowInformation(std::string_view text) noexcept override;
    void ShowError(std::string_view text) noexcept override;
};

// The path in double quotes, so that the SCM cannot take a prefix before a
// blank for the program (C:\Program.exe for C:\Program Files\...). A path
// already in quotes is kept.
[[nodiscard]] std::string QuoteExecutablePath(std::string_view path);

// "Service "<display name>" failed to <install|uninstall> with error: "<text>"".
[[nodiscard]] std::string FormatInstallerError(const char* format, std::string_view displayName, DWORD error);

// The running program's full path; empty on failure.
[[nodiscard]] std::string ModulePath();

// 0 or the system error code. The path is registered quoted, with the
// settings' account, dependencies, description and object security; when
// the description or the security cannot be set, the service is removed
// again and the error returned.
[[nodiscard]] DWORD InstallService(const ServiceSettings& settings, std::string_view executablePath);
[[nodiscard]] DWORD UninstallService(const ServiceSettings& settings);

// What a program needs in place before its service is registered (the
// watch's history folder): 0, or the system error code that fails the
// install.
using PreInstallStep = DWORD (*)();

// Runs INSTALL (which wins when both are given) or UNINSTALL and tells the
// user: the success box unless SILENT; the error box, or with SILENT the
// same text as an Application-log entry. Returns the exit status.
[[nodiscard]] int RunInstallerCommand(const ServiceCommandLine& line, const ServiceSettings& settings,
                                      std::string_view executablePath, InstallerUi& ui,
                                      PreInstallStep prepare = nullptr);

}  // namespace velmora::win
