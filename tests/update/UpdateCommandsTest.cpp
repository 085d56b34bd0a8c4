// The update flow's commands around the check: the first tick (settings,
// the start-up question, the quiet check), "Check on start up", and what
// Busy() and the window's going away promise to the window.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "update/SettingsNames.h"
#include "update/UpdateTexts.h"
#include "tests/update/UpdateFlowFixture.h"

namespace velmora::update {
namespace {

using fakes::BinaryValue;
using fakes::StoredValue;
using Kind = fakes::FakeUpdateWindowSide::Kind;

class UpdateCommandsTest : public test_support::UpdateFlowTest {
protected:
    // The proxy the flow holds, as the connection settings dialog is given it.
    ProxySettings ProxyInUse() {
        ProxySettings seen;
        window.ConnectionDialog = [&seen](ProxySettings& proxy, SettingsStore&) { seen = proxy; };
        flow->ConnectionSettings();
        window.ConnectionDialog = nullptr;
        return seen;
    }
};

// ---- the first tick

TEST_F(UpdateCommandsTest, AFreshProfileGetsTheFourDefaultsAndTheQuestion) {
    flow->FirstTick();
    EXPECT_TRUE(store.KeyExists);
    EXPECT_EQ(store.Writes, (std::vector<std::string>{"UpdatesAutoCheck", "UpdatesDontAsk", "HTTP_Proxy",
                                                      "HTTP_ProxyPort"}));
    EXPECT_EQ(store.Values, (std::map<std::string, StoredValue>{{"UpdatesAutoCheck", 0},
                                                                {"UpdatesDontAsk", 0},
                                                                {"HTTP_Proxy", 0},
                                                                {"HTTP_ProxyPort", 0}}));
    EXPECT_EQ(window.CountOf(Kind::Question), 1);
    EXPECT_EQ(ProxyInUse(), (ProxySettings{false, "", 0}));
}

TEST_F(UpdateCommandsTest, TheStartUpCheckFollowsTheAnswerOrTheStoredChoice) {
    struct Case {
        const char* Name;
        std::map<std::string, StoredValue> Values;
        StartupAnswer Answer;
        int Questions;
        std::size_t Checks;
        std::vector<std::string> Steps;
        std::int32_t StoredAutoCheck;
        std::int32_t StoredDontAsk;
    };
    const std::vector<std::string> checked{"mark on", "refresh", "menu"};
    const std::vector<std::string> unchecked{"menu"};
    const Case cases[] = {
        {"yes for this run", {}, {true, false}, 1, 1, checked, 0, 0},
        {"no for this run", {}, {false, false}, 1, 0, unchecked, 0, 0},
        {"yes for good", {}, {true, true}, 1, 1, checked, 1, 1},
        {"no for good", {}, {false, true}, 1, 0, unchecked, 0, 1},
        {"checking for good", {{"UpdatesAutoCheck", 1}, {"UpdatesDontAsk", 1}}, {}, 0, 1, checked, 1, 1},
        {"not checking for good", {{"UpdatesAutoCheck", 0}, {"UpdatesDontAsk", 1}}, {}, 0, 0, unchecked, 0, 1},
        {"any non-zero integer is true", {{"UpdatesAutoCheck", 7}, {"UpdatesDontAsk", -1}}, {}, 0, 1, checked, 7,
         -1},
    };
    for (const auto& c : cases) {
        store.Values = c.Values;
        window.Events.clear();
        window.StartupAnswer = c.Answer;
        transport->FetchedUrls.clear();
        flow->FirstTick();
        EXPECT_EQ(window.CountOf(Kind::Question), c.Questions) << c.Name;
        EXPECT_EQ(transport->FetchedUrls.size(), c.Checks) << c.Name;
        EXPECT_EQ(window.WindowSteps(), c.Steps) << c.Name;
        EXPECT_EQ(store.Values["UpdatesAutoCheck"], StoredValue(c.StoredAutoCheck)) << c.Name;
        EXPECT_EQ(store.Values["UpdatesDontAsk"], StoredValue(c.StoredDontAsk)) << c.Name;
    }
}

TEST_F(UpdateCommandsTest, AStoredProfileIsReadAsItStandsAndNothingIsWritten) {
    store.KeyExists = true;
    store.Values = {{"UpdatesAutoCheck", 0}, {"UpdatesDontAsk", 1}, {"HTTP_Proxy", 2},
                    {"HTTP_ProxyAddress", std::string(" proxy.lan ")}, {"HTTP_ProxyPort", -5}};
    flow->FirstTick();
    EXPECT_TRUE(store.Writes.empty());
    EXPECT_EQ(ProxyInUse(), (ProxySettings{true, " proxy.lan ", -5}));
}

TEST_F(UpdateCommandsTest, AFailedStartUpCheckIsShownAndTheTickGoesOn) {
    CheckAtStartUpForGood();
    transport->FailFetch = true;
    flow->FirstTick();
    EXPECT_EQ(window.WindowSteps(), (std::vector<std::string>{"mark on", std::string("error: ") + message::NotAvailable,
                                                              "refresh", "menu"}));
}

TEST_F(UpdateCommandsTest, StoreFailuresEndTheTickWithTheirText) {
    struct Case {
        const char* Name;
        std::map<std::string, StoredValue> Values;
        std::string FailWrite;
        bool FailCreate;
        StartupAnswer Answer;
        const char* Text;
        int Questions;
    };
    const Case cases[] = {
        {"key cannot be created", {}, "", true, {}, "cannot create", 0},
        {"text where a flag belongs", {{"HTTP_Proxy", std::string("1")}}, "", false, {},
         "Invalid data type for 'HTTP_Proxy'", 0},
        {"binary port", {{"HTTP_ProxyPort", BinaryValue{}}}, "", false, {}, "Invalid data type for 'HTTP_ProxyPort'",
         0},
        {"integer address", {{"HTTP_ProxyAddress", 5}}, "", false, {}, "Invalid data type for 'HTTP_ProxyAddress'",
         0},
        {"default cannot be written", {}, "UpdatesDontAsk", false, {}, "Failed to set data for 'UpdatesDontAsk'", 0},
        {"answer cannot be written", {{"UpdatesAutoCheck", 0}}, "UpdatesAutoCheck", false, {true, true},
         "Failed to set data for 'UpdatesAutoCheck'", 1},
    };
    for (const auto& c : cases) {
        store = {};
        store.Values = c.Values;
        store.FailCreate = c.FailCreate;
        if (!c.FailWrite.empty()) store.FailWritesOf.insert(c.FailWrite);
        window.Events.clear();
        window.StartupAnswer = c.Answer;
        try {
            flow->FirstTick();
            ADD_FAILURE() << c.Name << ": the tick went on";
        } catch (const SettingsError& error) {
            EXPECT_EQ(std::string(error.what()), c.Text) << c.Name;
        }
        EXPECT_EQ(window.CountOf(Kind::Question), c.Questions) << c.Name;
        EXPECT_TRUE(window.WindowSteps().empty()) << c.Name;
        EXPECT_TRUE(transport->FetchedUrls.empty()) << c.Name;
        EXPECT_FALSE(flow->Busy()) << c.Name;
    }
}

// ---- "Check on start up"

TEST_F(UpdateCommandsTest, TwoClicksOnCheckOnStartUpReturnToTheFirstStateAndLeaveDontAskAlone) {
    store.Values = {{"UpdatesDontAsk", 1}};
    flow->ToggleCheckOnStartUp();
    EXPECT_TRUE(window.Marked);
    EXPECT_EQ(store.Values["UpdatesAutoCheck"], StoredValue(1));
    flow->ToggleCheckOnStartUp();
    EXPECT_FALSE(window.Marked);
    EXPECT_EQ(store.Values["UpdatesAutoCheck"], StoredValue(0));
    EXPECT_EQ(store.Values["UpdatesDontAsk"], StoredValue(1));
    EXPECT_EQ(store.WritableOpens, 2);
}

TEST_F(UpdateCommandsTest, AFailedWriteOfCheckOnStartUpIsReportedAfterTheMarkFlipped) {
    store.FailWritesOf = {"UpdatesAutoCheck"};
    try {
        flow->ToggleCheckOnStartUp();
        ADD_FAILURE() << "toggled";
    } catch (const SettingsError& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'UpdatesAutoCheck'");
    }
    EXPECT_TRUE(window.Marked);
}

// ---- Busy() and the window going away

TEST_F(UpdateCommandsTest, BusyHoldsExactlyWhileACommandRuns) {
    std::vector<bool> busyInside;
    auto whileInside = [&] { busyInside.push_back(flow->Busy()); };
    window.WhileOpen = whileInside;     // the question, the connection settings
    transport->DuringWait = whileInside;  // the start-up check, the menu check
    window.StartupAnswer = {true, false};

    flow->FirstTick();
    EXPECT_FALSE(flow->Busy());
    flow->ConnectionSettings();
    EXPECT_FALSE(flow->Busy());
    transport->FailFetch = true;
    EXPECT_THROW(flow->CheckForUpdates(), UpdateError);
    EXPECT_FALSE(flow->Busy()) << "a failed command is over too";
    EXPECT_EQ(busyInside, std::vector<bool>(4, true));
}

TEST_F(UpdateCommandsTest, OnceTheWindowHasGoneNoCommandStarts) {
    CheckAtStartUpForGood();
    flow->OwnerGone();
    flow->OwnerGone();
    flow->FirstTick();
    flow->CheckForUpdates();
    flow->ConnectionSettings();
    flow->ToggleCheckOnStartUp();
    EXPECT_EQ(window.Events.size(), 1u);
    EXPECT_EQ(window.CountOf(Kind::CloseOwned), 1) << "the owned windows are asked to close once";
    EXPECT_EQ(transport->AbortCount, 1);
    EXPECT_TRUE(transport->FetchedUrls.empty());
    EXPECT_EQ(store.WritableOpens, 0);
}

TEST_F(UpdateCommandsTest, ClosingTheWindowWhileTheQuestionIsOpenEndsTheTickAfterTheAnswer) {
    window.StartupAnswer = {true, false};
    window.WhileOpen = [&] { flow->OwnerGone(); };
    flow->FirstTick();
    EXPECT_TRUE(window.WindowSteps().empty()) << "neither the check nor the menu follows";
    EXPECT_TRUE(transport->FetchedUrls.empty());
    EXPECT_FALSE(flow->Busy());
}

TEST_F(UpdateCommandsTest, AFailureAfterTheWindowHasGoneIsDropped) {
    // The answer "for good" cannot be stored; nobody is left to tell.
    window.StartupAnswer = {true, true};
    store.Values = {{"UpdatesAutoCheck", 0}};
    store.FailWritesOf = {"UpdatesAutoCheck"};
    window.WhileOpen = [&] { flow->OwnerGone(); };
    flow->FirstTick();
    EXPECT_FALSE(flow->Busy());
}

TEST_F(UpdateCommandsTest, ClosingTheWindowDuringTheStartUpCheckEndsTheTickWithoutARefresh) {
    CheckAtStartUpForGood();
    transport->DuringWait = [&] { flow->OwnerGone(); };
    flow->FirstTick();
    EXPECT_EQ(window.WindowSteps(), std::vector<std::string>{"mark on"});
    EXPECT_TRUE(window.Captions().empty());
    EXPECT_FALSE(flow->Busy());
}

}  // namespace
}  // namespace velmora::update
