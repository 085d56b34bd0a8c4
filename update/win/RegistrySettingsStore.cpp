#include "update/win/RegistrySettingsStore.h"

#include <vector>

#include "update/SettingsNames.h"
#include "common/win/UniqueHandle.h"

namespace velmora::update::win {

namespace {

using velmora::win::RegistryKey;

class RegistrySettingsKey final : public SettingsKey {
public:
    explicit RegistrySettingsKey(RegistryKey key) : key_(std::move(key)) {}

    bool ValueExists(std::string_view name) override {
        return ::RegQueryValueExA(key_.get(), std::string(name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

    bool ReadBool(std::string_view name) override { return ReadInteger(name) != 0; }

    std::int32_t ReadInteger(std::string_view name) override {
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        const LONG status = ::RegQueryValueExA(key_.get(), std::string(name).c_str(), nullptr, &type,
                                               reinterpret_cast<BYTE*>(&value), &size);
        if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) throw InvalidDataType(name);
        return static_cast<std::int32_t>(value);
    }

    std::string ReadString(std::string_view name) override {
        const std::string valueName(name);
        // Retried when the value grows between the two reads.
        for (int attempt = 0; attempt < 3; ++attempt) {
            DWORD type = 0;
            DWORD size = 0;
            LONG status = ::RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
            if (status == ERROR_FILE_NOT_FOUND) return {};
            if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) throw InvalidDataType(name);
            // One spare byte: a stored text need not end in NUL.
            std::vector<char> bytes(size + 1, '\0');
            DWORD got = size;
            status = ::RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(bytes.data()), &got);
            if (status == ERROR_MORE_DATA) continue;
            if (status == ERROR_FILE_NOT_FOUND) return {};
            if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || got > size)
                throw InvalidDataType(name);
            std::string text(bytes.data(), got);
            if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
            return text;
        }
        throw InvalidDataType(name);
    }

    void WriteBool(std::string_view name, bool value) override { WriteInteger(name, value ? 1 : 0); }

    void WriteInteger(std::string_view name, std::int32_t value) override {
        const DWORD data = static_cast<DWORD>(value);
        if (::RegSetValueExA(key_.get(), std::string(name).c_str(), 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&data), sizeof data) != ERROR_SUCCESS)
            throw FailedToSetData(name);
    }

    void WriteString(std::string_view name, std::string_view value) override {
        const std::string data(value);
        if (::RegSetValueExA(key_.get(), std::string(name).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1)) !=
            ERROR_SUCCESS)
            throw FailedToSetData(name);
    }

private:
    RegistryKey key_;
};

}  // namespace

RegistrySettingsStore::RegistrySettingsStore() : RegistrySettingsStore(HKEY_CURRENT_USER, kSettingsKey) {}

RegistrySettingsStore::RegistrySettingsStore(HKEY root, std::string subKey) : root_(root), subKey_(std::move(subKey)) {}

std::unique_ptr<SettingsKey> RegistrySettingsStore::Open(SettingsAccess access) {
    RegistryKey key;
    if (access == SettingsAccess::ReadOnly) {
        const LONG status = ::RegOpenKeyExA(root_, subKey_.c_str(), 0, KEY_READ, key.put());
        if (status == ERROR_FILE_NOT_FOUND) return nullptr;
        if (status != ERROR_SUCCESS) throw SettingsError(kCannotOpenKeyText);
    } else {
        if (::RegCreateKeyExA(root_, subKey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr) != ERROR_SUCCESS)
            throw SettingsError(kCannotOpenKeyText);
    }
    return std::make_unique<RegistrySettingsKey>(std::move(key));
}

}  // namespace velmora::update::win
