#pragma once
// A download's files in memory (path to contents), with switches that make
// creating the temporary file or moving it into place fail, a settable free
// space, and a file digest that is whatever the test says.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/DownloadFiles.h"
#include "update/UpdateCrypto.h"

namespace velmora::fakes {

class FakeDownloadFiles final : public update::DownloadFiles {
public:
    std::map<std::string, std::string> Files;
    std::optional<std::uint64_t> FreeBytes = 1ull << 40;
    bool FailCreate = false;
    bool FailMove = false;
    std::vector<std::string> Removed;

    std::optional<std::string> CreateTemporaryBeside(const std::string& target) override {
        if (FailCreate) return std::nullopt;
        const std::string name = target.substr(0, target.find_last_of('\\') + 1) + "vel" +
                                 std::to_string(++created_) + ".tmp";
        Files[name];
        return name;
    }
    std::optional<std::uint64_t> FreeBytesBeside(const std::string&) override { return FreeBytes; }
    bool MoveIntoPlace(const std::string& temporary, const std::string& target) override {
        if (FailMove || !Files.count(temporary)) return false;
        Files[target] = Files[temporary];
        Files.erase(temporary);
        return true;
    }
    void Remove(const std::string& path) noexcept override {
        Removed.push_back(path);
        Files.erase(path);
    }

private:
    int created_ = 0;
};

}  // namespace velmora::fakes
