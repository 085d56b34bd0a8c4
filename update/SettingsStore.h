#pragma once
// The seam to the settings key: the registry of the current user on Windows,
// a map in tests. Every failure is a SettingsError whose text is shown to
// the user as it stands.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora::update {

class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const std::string& text) : std::runtime_error(text) {}
};

// "Invalid data type for 'NAME'" and "Failed to set data for 'NAME'".
[[nodiscard]] SettingsError InvalidDataType(std::string_view valueName);
[[nodiscard]] SettingsError FailedToSetData(std::string_view valueName);
// "Failed to open registry key '<the product's key path>'".
[[nodiscard]] SettingsError CannotOpenKey();

// One open key; closed when destroyed.
class SettingsKey {
public:
    virtual ~SettingsKey() = default;
    [[nodiscard]] virtual bool ValueExists(std::string_view name) = 0;
    // Integer values: a missing value or one of another type throws
    // InvalidDataType; any non-zero integer reads as true.
    [[nodiscard]] virtual bool ReadBool(std::string_view name) = 0;
    [[nodiscard]] virtual std::int32_t ReadInteger(std::string_view name) = 0;
    // Text values: a missing value reads as empty; another type throws
    // InvalidDataType.
    [[nodiscard]] virtual std::string ReadString(std::string_view name) = 0;
    // A failed write throws FailedToSetData.
    virtual void WriteBool(std::string_view name, bool value) = 0;
    virtual void WriteInteger(std::string_view name, std::int32_t value) = 0;
    virtual void WriteString(std::string_view name, std::string_view value) = 0;
};

enum class SettingsAccess {
    CreateReadWrite,  // the toolbox: full access, the key is created when missing
    ReadOnly,         // the console: reads only, never creates the key
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // ReadOnly: null when the key does not exist. Throws SettingsError when
    // the key exists but cannot be opened, or cannot be created.
    [[nodiscard]] virtual std::unique_ptr<SettingsKey> Open(SettingsAccess access) = 0;
};

}  // namespace velmora::update
