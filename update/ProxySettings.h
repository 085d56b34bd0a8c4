#pragma once
// The proxy the update checker uses, owned by the main window and read at the
// start of every check.

#include <cstdint>
#include <string>

namespace velmora::update {

struct ProxySettings {
    bool Enabled = false;
    std::string Address;
    std::int32_t Port = 0;

    friend bool operator==(const ProxySettings&, const ProxySettings&) = default;
};

}  // namespace velmora::update
