#pragma once
// The settings store in the registry: the product's key of the current user,
// integers as REG_DWORD and texts as REG_SZ, nothing else accepted on reading.
// Writable opens use full access and create the key; read-only opens never
// create it.

#include <memory>

#include "update/SettingsStore.h"

namespace velmora::update::win {

class RegistrySettingsStore final : public SettingsStore {
public:
    [[nodiscard]] std::unique_ptr<SettingsKey> Open(SettingsAccess access) override;
};

}  // namespace velmora::update::win
