#include "app/update/SettingsStore.h"

#include "app/update/SettingsNames.h"

namespace velmora::update {

namespace {

std::string WithName(std::string_view format, std::string_view name) {
    std::string text(format);
    const std::size_t at = text.find("%s");
    text.replace(at, 2, name);
    return text;
}

}  // namespace

SettingsError InvalidDataType(std::string_view valueName) {
    return SettingsError(WithName(kInvalidDataTypeFormat, valueName));
}

SettingsError FailedToSetData(std::string_view valueName) {
    return SettingsError(WithName(kFailedToSetDataFormat, valueName));
}

}  // namespace velmora::update
