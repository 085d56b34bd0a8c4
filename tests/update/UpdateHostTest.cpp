#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "update/UpdateHost.h"

namespace velmora::update {
namespace {

TEST(UpdateHost, ParsesHostsAndPortsAndRefusesTheRest) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"updates.example.net", "updates.example.net"},
        {"127.0.0.1", "127.0.0.1"},
        {"127.0.0.1:8080", "127.0.0.1:8080"},
        {"  host:1 \t", "host:1"},
        {"host:65535", "host:65535"},
        {"host:08080", "host:8080"},
        {"my_host-2", "my_host-2"},
        {"", ""},
        {"   ", ""},
        {"host:0", std::nullopt},
        {"host:65536", std::nullopt},
        {"host:123456", std::nullopt},
        {"host:", std::nullopt},
        {"host:80a", std::nullopt},
        {"host:-80", std::nullopt},
        {"host:+80", std::nullopt},
        {":80", std::nullopt},
        {"host:80:81", std::nullopt},
        {"http://host", std::nullopt},
        {"host/path", std::nullopt},
        {"user@host", std::nullopt},
        {"ho st", std::nullopt},
        {"host?x", std::nullopt},
        {"[::1]:80", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ParseUpdateHost(text), expected) << "'" << text << "'";
}

TEST(UpdateHost, BaseUrlKeepsSchemeAndPathAroundTheHost) {
    using State = UpdateHostSetting::State;
    const std::pair<UpdateHostSetting, std::optional<std::string>> cases[] = {
        {{State::Absent, ""}, "http://update.velmora.com/daveruri/"},
        {{State::Text, " "}, "http://update.velmora.com/daveruri/"},
        {{State::Text, "127.0.0.1:8080"}, "http://127.0.0.1:8080/daveruri/"},
        {{State::Text, "mirror"}, "http://mirror/daveruri/"},
        {{State::Text, "mirror:0"}, std::nullopt},
        {{State::Unreadable, ""}, std::nullopt},
    };
    for (const auto& [setting, expected] : cases) EXPECT_EQ(UpdateBaseUrl(setting), expected) << setting.Text;
}

}  // namespace
}  // namespace velmora::update
