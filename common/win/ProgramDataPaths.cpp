#include "common/win/ProgramDataPaths.h"

#include <windows.h>
#include <shlobj.h>

#include "history/HistorySchema.h"

namespace velmora::win {

std::string ProductDataFolder() {
    char folder[MAX_PATH] = {};
    // The service accounts have no profile of their own; this folder is the
    // same for every account.
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
    return std::string(folder) + "\\VELMORA";
}

std::string HistoryFolder() {
    const std::string product = ProductDataFolder();
    return product.empty() ? product : product + "\\History";
}

std::string HistoryDatabasePath() {
    const std::string folder = HistoryFolder();
    return folder.empty() ? folder : folder + "\\" + history::kHistoryFileName;
}

}  // namespace velmora::win
