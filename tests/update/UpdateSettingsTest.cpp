#include <gtest/gtest.h>

#include <string>

#include "update/UpdateSettings.h"
#include "tests/fakes/FakeSettingsStore.h"

namespace velmora::update {
namespace {

TEST(ReadSettingsReadOnly, NeverCreatesTheKeyNorWrites) {
    fakes::FakeSettingsStore store;
    EXPECT_EQ(ReadSettingsReadOnly(store), StoredSettings{});
    EXPECT_FALSE(store.KeyExists);
    EXPECT_EQ(store.WritableOpens, 0);
    EXPECT_EQ(store.ReadOnlyOpens, 1);
}

TEST(ReadSettingsReadOnly, ReadsWhatIsStoredWithDefaultsForTheRest) {
    fakes::FakeSettingsStore store;
    store.KeyExists = true;
    store.Values = {{"HTTP_Proxy", 1}, {"HTTP_ProxyAddress", std::string("127.0.0.1")}};
    const StoredSettings settings = ReadSettingsReadOnly(store);
    EXPECT_EQ(settings.Proxy, (ProxySettings{true, "127.0.0.1", 0}));
    EXPECT_FALSE(settings.UpdatesAutoCheck);
    EXPECT_TRUE(store.Writes.empty());
}

TEST(ReadSettingsReadOnly, StillRefusesValuesOfTheWrongType) {
    fakes::FakeSettingsStore store;
    store.KeyExists = true;
    store.Values = {{"HTTP_ProxyPort", std::string("8080")}};
    try {
        (void)ReadSettingsReadOnly(store);
        ADD_FAILURE() << "read";
    } catch (const SettingsError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'HTTP_ProxyPort'");
    }
}

}  // namespace
}  // namespace velmora::update
