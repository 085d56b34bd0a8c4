#include "app/win/TextFileWriter.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

namespace {

[[noreturn]] void Fail(const char* what, const std::string& path, DWORD error) {
    throw std::runtime_error(std::string(what) + " \"" + path + "\" (error " + std::to_string(error) + ").");
}

}  // namespace

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) Fail("Cannot create file", path, ::GetLastError());
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 20));
        DWORD done = 0;
        if (!::WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr) || done == 0) {
            const DWORD error = ::GetLastError();
            file.reset();
            ::DeleteFileA(path.c_str());
            Fail("Cannot write file", path, error);
        }
        written += done;
    }
    if (!::CloseHandle(file.release())) {
        const DWORD error = ::GetLastError();
        ::DeleteFileA(path.c_str());
        Fail("Cannot write file", path, error);
    }
}

}  // namespace velmora::win
