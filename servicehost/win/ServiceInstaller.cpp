#include "servicehost/win/ServiceInstaller.h"

#include <sddl.h>

#include <cstdio>
#include <vector>

#include "common/AnsiText.h"
#include "common/ErrorReport.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {
namespace {

DWORD ExitStatusOf(DWORD error) noexcept { return error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error; }

const wchar_t* Wide(const std::u16string& text) noexcept { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// "A\0B\0" and the terminating NUL c_str adds; empty for no dependency.
std::u16string DependencyList(const std::vector<std::string>& names) {
    std::u16string list;
    for (const std::string& name : names) {
        list += AnsiToUtf16(name);
        list += u'\0';
    }
    return list;
}

DWORD SetDescription(SC_HANDLE service, const std::string& description) {
    if (description.empty()) return ERROR_SUCCESS;
    std::u16string text = AnsiToUtf16(description);
    SERVICE_DESCRIPTIONW info{reinterpret_cast<wchar_t*>(text.data())};
    return ::ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &info) ? ERROR_SUCCESS
                                                                               : ExitStatusOf(::GetLastError());
}

DWORD SetObjectSecurity(SC_HANDLE service, const std::string& sddl) {
    if (sddl.empty()) return ERROR_SUCCESS;
    LocalMemory descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                               reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()),
                                                               nullptr)) {
        return ExitStatusOf(::GetLastError());
    }
    return ::SetServiceObjectSecurity(service, DACL_SECURITY_INFORMATION, descriptor.get())
               ? ERROR_SUCCESS
               : ExitStatusOf(::GetLastError());
}

}  // namespace

void MessageBoxUi::ShowInformation(std::string_view text) noexcept {
    try {
        const std::string copy(text);
        ::MessageBoxA(nullptr, copy.c_str(), kInformationCaption, MB_OK | MB_ICONINFORMATION);
    } catch (...) {
    }
}

void MessageBoxUi::ShowError(std::string_view text) noexcept {
    try {
        const std::string copy(text);
        ::MessageBoxA(nullptr, copy.c_str(), kErrorCaption, MB_OK | MB_ICONERROR);
    } catch (...) {
    }
}

std::string QuoteExecutablePath(std::string_view path) {
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') return std::string(path);
    std::string quoted = "\"";
    quoted.append(path);
    quoted += '"';
    return quoted;
}

std::string FormatInstallerError(const char* format, std::string_view displayName, DWORD error) {
    const std::string name(displayName);
    const std::string reason = SystemErrorText(error);
    const int needed = std::snprintf(nullptr, 0, format, name.c_str(), reason.c_str());
    if (needed <= 0) return {};
    std::vector<char> text(static_cast<std::size_t>(needed) + 1);
    std::snprintf(text.data(), text.size(), format, name.c_str(), reason.c_str());
    return std::string(text.data(), static_cast<std::size_t>(needed));
}

std::string ModulePath() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return std::string(path.data(), length);
        path.resize(path.size() * 2);  // truncated: try a larger buffer
    }
}

DWORD InstallService(const ServiceSettings& settings, std::string_view executablePath) {
    if (executablePath.empty()) return ERROR_BAD_PATHNAME;
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE | SC_MANAGER_CONNECT));
    if (!manager) return ExitStatusOf(::GetLastError());
    DWORD type = settings.ServiceType;
    if (settings.Interactive) type |= SERVICE_INTERACTIVE_PROCESS;
    // The wide call: Wine 8's CreateServiceA stores stray bytes after the
    // first name of a dependency list.
    const std::u16string name = AnsiToUtf16(settings.Name);
    const std::u16string displayName = AnsiToUtf16(settings.DisplayName);
    const std::u16string binaryPath = AnsiToUtf16(QuoteExecutablePath(executablePath));
    const std::u16string dependencies = DependencyList(settings.Dependencies);
    const std::u16string account = AnsiToUtf16(settings.Account);
    // No account: the local system account. A service account has no password.
    ServiceHandle service(::CreateServiceW(
        manager.get(), Wide(name), Wide(displayName), SERVICE_ALL_ACCESS, type, settings.StartType,
        settings.ErrorControl, Wide(binaryPath), nullptr, nullptr, dependencies.empty() ? nullptr : Wide(dependencies),
        account.empty() ? nullptr : Wide(account), account.empty() ? nullptr : L""));
    if (!service) return ExitStatusOf(::GetLastError());
    DWORD error = SetDescription(service.get(), settings.Description);
    if (error == ERROR_SUCCESS) error = SetObjectSecurity(service.get(), settings.ObjectSecurity);
    // Half a registration would pass for a whole one: none at all instead.
    if (error != ERROR_SUCCESS) ::DeleteService(service.get());
    return error;
}

DWORD UninstallService(const ServiceSettings& settings) {
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return ExitStatusOf(::GetLastError());
    ServiceHandle service(::OpenServiceA(manager.get(), settings.Name.c_str(), DELETE));
    if (!service) return ExitStatusOf(::GetLastError());
    if (!::DeleteService(service.get())) return ExitStatusOf(::GetLastError());
    return ERROR_SUCCESS;
}

int RunInstallerCommand(const ServiceCommandLine& line, const ServiceSettings& settings, std::string_view executablePath,
                        InstallerUi& ui, PreInstallStep prepare) {
    if (!line.Install && !line.Uninstall) return 0;
    DWORD error = ERROR_SUCCESS;
    if (line.Install) {
        if (prepare != nullptr) error = prepare();
        if (error == ERROR_SUCCESS) error = InstallService(settings, executablePath);
    } else {
        error = UninstallService(settings);
    }
    if (error != ERROR_SUCCESS) {
        const std::string text = FormatInstallerError(line.Install ? kInstallFailedFormat : kUninstallFailedFormat,
                                                      settings.DisplayName, error);
        // A silent run belongs to a setup program or a script: a box would
        // stall it with nobody there to close it.
        if (line.Silent) {
            WriteEventLog(text);
        } else {
            ui.ShowError(text);
        }
        return static_cast<int>(error);
    }
    if (!line.Silent) ui.ShowInformation(line.Install ? kInstalledText : kUninstalledText);
    return 0;
}

}  // namespace velmora::win
