#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "update/SettingsNames.h"
#include "update/UpdateSettings.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/FakeStartupQuestion.h"

namespace velmora::update {
namespace {

using fakes::BinaryValue;
using fakes::StoredValue;

class LoadSettingsTest : public ::testing::Test {
protected:
    void Load() { LoadSettings(store, question, autoCheck, proxy); }

    fakes::FakeSettingsStore store;
    fakes::FakeStartupQuestion question;
    std::uint8_t autoCheck = 0;
    ProxySettings proxy;
};

TEST_F(LoadSettingsTest, AFreshProfileGetsTheFourDefaultsAndTheQuestion) {
    Load();
    EXPECT_TRUE(store.KeyExists);
    EXPECT_EQ(store.Writes, (std::vector<std::string>{"UpdatesAutoCheck", "UpdatesDontAsk", "HTTP_Proxy",
                                                      "HTTP_ProxyPort"}));
    EXPECT_EQ(store.Values, (std::map<std::string, StoredValue>{{"UpdatesAutoCheck", 0},
                                                                {"UpdatesDontAsk", 0},
                                                                {"HTTP_Proxy", 0},
                                                                {"HTTP_ProxyPort", 0}}));
    EXPECT_EQ(question.Shown, 1);
    EXPECT_EQ(proxy, (ProxySettings{false, "", 0}));
}

TEST_F(LoadSettingsTest, TheAnswerIsStoredOnlyWithDontAskAgain) {
    struct Case {
        const char* Name;
        StartupAnswer Answer;
        std::uint8_t AutoCheck;
        std::int32_t StoredAutoCheck;
        std::int32_t StoredDontAsk;
    };
    const Case cases[] = {
        {"yes for this run", {true, false}, 1, 0, 0},
        {"no for this run", {false, false}, 0, 0, 0},
        {"yes for good", {true, true}, 1, 1, 1},
        {"no for good", {false, true}, 0, 0, 1},
    };
    for (const auto& c : cases) {
        store.Values.clear();
        question.Answer = c.Answer;
        Load();
        EXPECT_EQ(autoCheck, c.AutoCheck) << c.Name;
        EXPECT_EQ(store.Values["UpdatesAutoCheck"], StoredValue(c.StoredAutoCheck)) << c.Name;
        EXPECT_EQ(store.Values["UpdatesDontAsk"], StoredValue(c.StoredDontAsk)) << c.Name;
    }
}

TEST_F(LoadSettingsTest, AnAnswerForGoodIsNotAskedAgain) {
    store.KeyExists = true;
    store.Values = {{"UpdatesAutoCheck", 1}, {"UpdatesDontAsk", 1}, {"HTTP_Proxy", 1},
                    {"HTTP_ProxyAddress", std::string(" proxy.lan ")}, {"HTTP_ProxyPort", -5}};
    Load();
    EXPECT_EQ(question.Shown, 0);
    EXPECT_EQ(autoCheck, 1);
    EXPECT_EQ(proxy, (ProxySettings{true, " proxy.lan ", -5}));
    EXPECT_TRUE(store.Writes.empty());
}

TEST_F(LoadSettingsTest, AnyNonZeroIntegerReadsAsTrue) {
    store.Values = {{"UpdatesAutoCheck", 7}, {"UpdatesDontAsk", -1}, {"HTTP_Proxy", 2}};
    Load();
    EXPECT_EQ(autoCheck, 1);
    EXPECT_TRUE(proxy.Enabled);
    EXPECT_EQ(question.Shown, 0);
}

TEST_F(LoadSettingsTest, StoreFailuresEndTheLoadWithTheirText) {
    struct Case {
        const char* Name;
        std::map<std::string, StoredValue> Values;
        std::string FailWrite;
        bool DontAskAgain;
        const char* Text;
    };
    const Case cases[] = {
        {"text where a flag belongs", {{"HTTP_Proxy", std::string("1")}}, "", false,
         "Invalid data type for 'HTTP_Proxy'"},
        {"binary port", {{"HTTP_ProxyPort", BinaryValue{}}}, "", false, "Invalid data type for 'HTTP_ProxyPort'"},
        {"integer address", {{"HTTP_ProxyAddress", 5}}, "", false, "Invalid data type for 'HTTP_ProxyAddress'"},
        {"default cannot be written", {}, "UpdatesDontAsk", false, "Failed to set data for 'UpdatesDontAsk'"},
        {"answer cannot be written", {{"UpdatesAutoCheck", 0}}, "UpdatesAutoCheck", true,
         "Failed to set data for 'UpdatesAutoCheck'"},
    };
    for (const auto& c : cases) {
        store.Values = c.Values;
        store.FailWritesOf = {};
        if (!c.FailWrite.empty()) store.FailWritesOf.insert(c.FailWrite);
        question.Answer = {true, c.DontAskAgain};
        try {
            Load();
            ADD_FAILURE() << c.Name << ": loaded";
        } catch (const SettingsError& error) {
            EXPECT_EQ(std::string(error.what()), c.Text) << c.Name;
        }
    }
}

TEST_F(LoadSettingsTest, AKeyThatCannotBeCreatedFailsTheLoad) {
    store.FailCreate = true;
    EXPECT_THROW(Load(), SettingsError);
    EXPECT_EQ(question.Shown, 0);
}

TEST(CheckOnStartUp, TwoClicksReturnToTheFirstStateAndLeaveDontAskAlone) {
    fakes::FakeSettingsStore store;
    store.Values = {{"UpdatesDontAsk", 1}};
    std::uint8_t autoCheck = 0;
    EXPECT_TRUE(ToggleCheckOnStartUp(store, false, autoCheck));
    EXPECT_EQ(autoCheck, 1);
    EXPECT_EQ(store.Values["UpdatesAutoCheck"], StoredValue(1));
    EXPECT_FALSE(ToggleCheckOnStartUp(store, true, autoCheck));
    EXPECT_EQ(autoCheck, 0);
    EXPECT_EQ(store.Values["UpdatesAutoCheck"], StoredValue(0));
    EXPECT_EQ(store.Values["UpdatesDontAsk"], StoredValue(1));
    EXPECT_EQ(store.WritableOpens, 2);
}

TEST(CheckOnStartUp, AFailedWriteIsReported) {
    fakes::FakeSettingsStore store;
    store.FailWritesOf = {"UpdatesAutoCheck"};
    std::uint8_t autoCheck = 0;
    try {
        (void)ToggleCheckOnStartUp(store, false, autoCheck);
        ADD_FAILURE() << "toggled";
    } catch (const SettingsError& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'UpdatesAutoCheck'");
    }
}

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
