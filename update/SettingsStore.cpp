#include "update/SettingsStore.h"

#include "update/SettingsNames.h"

namespace velmora::update {

namespace {

std::string WithName(std::string_view format, std::string_view name) {
    const std::size_t at = format.find("%s");
    std::string text(format.substr(0, at));
    text += name;
    text += format.substr(at + 2);
    return text;
}

}  // namespace

SettingsError InvalidDataType(std::string_view valueName) {
    return SettingsError(WithName(kInvalidDataTypeFormat, valueName));
}

SettingsError FailedToSetData(std::string_view valueName) {
    return SettingsError(WithName(kFailedToSetDataFormat, valueName));
}

SettingsError CannotOpenKey() { return SettingsError(WithName(kCannotOpenKeyFormat, kRegistryKeyPath)); }

}  // namespace velmora::update
