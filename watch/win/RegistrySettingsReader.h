#pragma once
// The watch's settings as HKEY_LOCAL_MACHINE holds them under the product's
// key (64-bit view); only administrators can write there.

#include "watch/WatchEvent.h"

namespace velmora::win {

class RegistrySettingsReader final : public watch::SettingsReader {
public:
    [[nodiscard]] watch::SettingValue Read(const char* name) override;
};

}  // namespace velmora::win
