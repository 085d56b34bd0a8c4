#include "update/win/RegistrySettingsStore.h"

#include "update/SettingsNames.h"
#include "common/win/Registry.h"

namespace velmora::update::win {

namespace {

namespace registry = velmora::win::registry;
using velmora::win::RegistryKey;

class RegistrySettingsKey final : public SettingsKey {
public:
    explicit RegistrySettingsKey(RegistryKey key) : key_(std::move(key)) {}

    bool ValueExists(std::string_view name) override {
        return registry::ValueExists(key_.get(), std::string(name).c_str());
    }

    bool ReadBool(std::string_view name) override { return ReadInteger(name) != 0; }

    // Only REG_DWORD; a missing value is refused too.
    std::int32_t ReadInteger(std::string_view name) override {
        const registry::DwordValue value = registry::ReadDword(key_.get(), std::string(name).c_str());
        if (value.State != registry::ValueState::Read) throw InvalidDataType(name);
        return static_cast<std::int32_t>(value.Value);
    }

    // Only REG_SZ: an expandable text would be used unexpanded, so it is
    // refused like any other type. A missing value reads as empty.
    std::string ReadString(std::string_view name) override {
        registry::TextValue value =
            registry::ReadText(key_.get(), std::string(name).c_str(), registry::TextTypes::Plain);
        if (value.State == registry::ValueState::Missing) return {};
        if (value.State != registry::ValueState::Read) throw InvalidDataType(name);
        return std::move(value.Text);
    }

    void WriteBool(std::string_view name, bool value) override { WriteInteger(name, value ? 1 : 0); }

    void WriteInteger(std::string_view name, std::int32_t value) override {
        if (!registry::WriteDword(key_.get(), std::string(name).c_str(), static_cast<DWORD>(value)))
            throw FailedToSetData(name);
    }

    void WriteString(std::string_view name, std::string_view value) override {
        if (!registry::WriteText(key_.get(), std::string(name).c_str(), value)) throw FailedToSetData(name);
    }

private:
    RegistryKey key_;
};

}  // namespace

std::unique_ptr<SettingsKey> RegistrySettingsStore::Open(SettingsAccess access) {
    registry::OpenedKey opened = access == SettingsAccess::ReadOnly
                                     ? registry::Open(HKEY_CURRENT_USER, kRegistryKeyPath, KEY_READ)
                                     : registry::Create(HKEY_CURRENT_USER, kRegistryKeyPath, KEY_ALL_ACCESS);
    if (access == SettingsAccess::ReadOnly && opened.Status == ERROR_FILE_NOT_FOUND) return nullptr;
    if (opened.Status != ERROR_SUCCESS) throw CannotOpenKey();
    return std::make_unique<RegistrySettingsKey>(std::move(opened.Key));
}

}  // namespace velmora::update::win
