#pragma once
// Which host answers the update request. A machine-wide text value may name
// another host than the maker's (test rigs, a local mirror): a host name or
// dotted address, optionally ":port" with a port of 1..65535, blanks around
// it ignored. Absent or blank means the built-in host. Scheme and path stay
// fixed. The value is read again at every check.

#include <optional>
#include <string>
#include <string_view>

#include "drives/DriveTable.h"

namespace velmora::update {

struct UpdateHostSetting {
    enum class State { Absent, Text, Unreadable };  // Unreadable: wrong type, access failed
    State Kind = State::Absent;
    std::string Text;
};

// Windows: HKEY_LOCAL_MACHINE, the product's key, UpdateHost (REG_SZ).
class UpdateHostSource {
public:
    virtual ~UpdateHostSource() = default;
    [[nodiscard]] virtual UpdateHostSetting ReadUpdateHost() = 0;
};

// "host" or "host:port" from the value's text; nullopt when malformed.
// Empty (after trimming) is not malformed: the caller treats it as absent.
[[nodiscard]] std::optional<std::string> ParseUpdateHost(std::string_view text);

// "http://" + host + "/daveruri/"; nullopt when the setting is malformed or
// unreadable.
[[nodiscard]] std::optional<std::string> UpdateBaseUrl(const UpdateHostSetting& setting);

// base + "daveruri.php?disk=" + EncodeDriveList(drives).
[[nodiscard]] std::string UpdateRequestUrl(const std::string& baseUrl, const DriveTable& drives);

}  // namespace velmora::update
