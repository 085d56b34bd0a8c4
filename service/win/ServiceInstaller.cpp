#include "service/win/ServiceInstaller.h"

#include <cstdio>
#include <vector>

#include "common/win/UniqueHandle.h"

namespace velmora::win {
namespace {

class LocalText {
public:
    LocalText() noexcept = default;
    ~LocalText() {
        if (text_ != nullptr) ::LocalFree(text_);
    }
    LocalText(const LocalText&) = delete;
    LocalText& operator=(const LocalText&) = delete;
    [[nodiscard]] char** put() noexcept { return &text_; }
    [[nodiscard]] const char* get() const noexcept { return text_; }

private:
    char* text_ = nullptr;
};

DWORD ExitStatusOf(DWORD error) noexcept { return error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error; }

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

std::string SystemErrorText(DWORD error) {
    LocalText buffer;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<char*>(buffer.put()), 0, nullptr);
    std::string text = length != 0 && buffer.get() != nullptr ? std::string(buffer.get(), length) : std::string();
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
    if (text.empty()) text = "Error " + std::to_string(error);
    return text;
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
    const std::string binaryPath = QuoteExecutablePath(executablePath);
    // No account name or password: the local system account.
    ServiceHandle service(::CreateServiceA(manager.get(), settings.Name.c_str(), settings.DisplayName.c_str(),
                                           SERVICE_ALL_ACCESS, type, settings.StartType, settings.ErrorControl,
                                           binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) return ExitStatusOf(::GetLastError());
    return ERROR_SUCCESS;
}

DWORD UninstallService(const ServiceSettings& settings) {
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return ExitStatusOf(::GetLastError());
    ServiceHandle service(::OpenServiceA(manager.get(), settings.Name.c_str(), DELETE));
    if (!service) return ExitStatusOf(::GetLastError());
    if (!::DeleteService(service.get())) return ExitStatusOf(::GetLastError());
    return ERROR_SUCCESS;
}

int RunInstallerCommand(const CommandLine& line, const ServiceSettings& settings, std::string_view executablePath,
                        InstallerUi& ui) {
    if (!line.Install && !line.Uninstall) return 0;
    const DWORD error = line.Install ? InstallService(settings, executablePath) : UninstallService(settings);
    if (error != ERROR_SUCCESS) {
        ui.ShowError(FormatInstallerError(line.Install ? kInstallFailedFormat : kUninstallFailedFormat,
                                          settings.DisplayName, error));
        return static_cast<int>(error);
    }
    if (!line.Silent) ui.ShowInformation(line.Install ? kInstalledText : kUninstalledText);
    return 0;
}

}  // namespace velmora::win
