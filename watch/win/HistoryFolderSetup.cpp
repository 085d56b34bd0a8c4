#include "watch/win/HistoryFolderSetup.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "common/win/ProgramDataPaths.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {
namespace {

DWORD CreateFolder(const std::string& path, SECURITY_ATTRIBUTES* security) noexcept {
    if (::CreateDirectoryA(path.c_str(), security)) return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return error;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ::GetLastError();
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ERROR_ALREADY_EXISTS : ERROR_DIRECTORY;
}

}  // namespace

DWORD PrepareHistoryFolder() {
    const std::string product = ProductDataFolder();
    std::string history = HistoryFolder();
    if (product.empty() || history.empty()) return ERROR_PATH_NOT_FOUND;

    const DWORD productState = CreateFolder(product, nullptr);
    if (productState != ERROR_SUCCESS && productState != ERROR_ALREADY_EXISTS) return productState;

    LocalMemory descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kHistoryFolderSddl, SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr)) {
        return ::GetLastError();
    }
    // Made with its DACL in one step, so nobody can put anything in it first.
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.get(), FALSE};
    const DWORD historyState = CreateFolder(history, &security);
    if (historyState != ERROR_ALREADY_EXISTS) return historyState;

    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted)) return ::GetLastError();
    return ::SetNamedSecurityInfoA(history.data(), SE_FILE_OBJECT,
                                   DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   dacl, nullptr);
}

}  // namespace velmora::win
