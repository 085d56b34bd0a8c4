#include "common/win/FileReplacement.h"

#include <windows.h>

#include <algorithm>

#include "common/win/SystemText.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

namespace {

// A reader that opened the old file without FILE_SHARE_DELETE holds the
// move off for the moment it reads; a few short waits let it finish.
constexpr int kMoveAttempts = 20;
constexpr DWORD kMoveRetryMs = 50;

std::string Failed(const char* what, const std::string& name, DWORD error) {
    return std::string(what) + " " + name + ": " + SystemErrorText(error);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    if (slash == 0 || path[slash - 1] == ':') return path.substr(0, slash + 1);  // "\", "C:\"
    return path.substr(0, slash);
}

std::string WriteNewFile(const std::string& name, std::string_view bytes) {
    FileHandle file(
        ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Failed("cannot open", name, ::GetLastError());
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0)
            return Failed("cannot write", name, ::GetLastError());
        bytes.remove_prefix(written);
    }
    if (!::FlushFileBuffers(file.get())) return Failed("cannot write", name, ::GetLastError());
    return {};
}

}  // namespace

std::string CreateFileBeside(const std::string& path, std::string& created) noexcept {
    try {
        const std::string folder = FolderOf(path);
        char temporary[MAX_PATH];
        // Named *.tmp, which collectors of *.prom files pass over.
        if (!::GetTempFileNameA(folder.c_str(), "vel", 0, temporary))
            return Failed("cannot create a file in", folder, ::GetLastError());
        created = temporary;
        return {};
    } catch (...) {
        return "out of memory";
    }
}

std::string MoveFileIntoPlace(const std::string& temporary, const std::string& path) noexcept {
    try {
        for (int attempt = 1;; ++attempt) {
            if (::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return {};
            const DWORD code = ::GetLastError();
            if ((code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) || attempt == kMoveAttempts) {
                return Failed("cannot replace", path, code);
            }
            ::Sleep(kMoveRetryMs);
        }
    } catch (...) {
        return "out of memory";
    }
}

std::string ReplaceFileContents(const std::string& path, std::string_view bytes) noexcept {
    std::string temporary;
    std::string error = CreateFileBeside(path, temporary);
    if (!error.empty()) return error;
    try {
        error = WriteNewFile(temporary, bytes);
        if (error.empty()) error = MoveFileIntoPlace(temporary, path);
    } catch (...) {
        error = "out of memory";
    }
    if (!error.empty()) ::DeleteFileA(temporary.c_str());
    return error;
}

}  // namespace velmora::win
