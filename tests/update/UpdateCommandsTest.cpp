#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "update/UpdateCommands.h"
#include "update/UpdateError.h"
#include "update/UpdateTexts.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/FakeStartupQuestion.h"
#include "tests/fakes/FakeUpdateTransport.h"
#include "tests/fakes/FakeUpdateUi.h"

namespace velmora::update {
namespace {

class RecordingCommandsView final : public UpdateCommandsView {
public:
    void SetCheckOnStartUpMark() override { Steps.push_back("mark"); }
    void ShowStartupCheckError(const std::string& text) override { Steps.push_back("error: " + text); }
    void ShowSelectedDrive() override { Steps.push_back("refresh"); }
    void EnableUpdatesMenu() override { Steps.push_back("menu"); }
    std::vector<std::string> Steps;
};

class UpdateCommandsTest : public ::testing::Test {
protected:
    UpdateCommandsTest() {
        auto owned = std::make_unique<fakes::FakeUpdateTransport>();
        transport = owned.get();
        transport->Reply = "[file version]\nversion=1.0\n";
        checker = std::make_unique<UpdateChecker>(drives, proxy, "T 1.01", std::move(owned), hosts, ui);
    }
    void Tick() { RunFirstTick(store, question, *checker, autoCheck, proxy, view); }

    DriveTable drives;
    ProxySettings proxy;
    std::uint8_t autoCheck = 0;
    fakes::FakeSettingsStore store;
    fakes::FakeStartupQuestion question;
    fakes::FakeUpdateUi ui;
    fakes::FakeUpdateHostSource hosts;
    fakes::FakeUpdateTransport* transport = nullptr;
    std::unique_ptr<UpdateChecker> checker;
    RecordingCommandsView view;
};

TEST_F(UpdateCommandsTest, TheFirstTickFollowsTheStoredChoiceAndTheAnswer) {
    struct Case {
        const char* Name;
        std::map<std::string, fakes::StoredValue> Values;
        StartupAnswer Answer;
        int Questions;
        std::size_t Checks;
        std::vector<std::string> Steps;
    };
    const Case cases[] = {
        {"fresh profile answered yes", {}, {true, false}, 1, 1, {"mark", "refresh", "menu"}},
        {"fresh profile answered no", {}, {false, false}, 1, 0, {"menu"}},
        {"checking for good", {{"UpdatesAutoCheck", 1}, {"UpdatesDontAsk", 1}}, {}, 0, 1, {"mark", "refresh", "menu"}},
        {"not checking for good", {{"UpdatesAutoCheck", 0}, {"UpdatesDontAsk", 1}}, {}, 0, 0, {"menu"}},
    };
    for (const auto& c : cases) {
        store.Values = c.Values;
        question = {};
        question.Answer = c.Answer;
        transport->FetchedUrls.clear();
        view.Steps.clear();
        Tick();
        EXPECT_EQ(question.Shown, c.Questions) << c.Name;
        EXPECT_EQ(transport->FetchedUrls.size(), c.Checks) << c.Name;
        EXPECT_EQ(view.Steps, c.Steps) << c.Name;
        EXPECT_TRUE(ui.Infos().empty()) << c.Name << ": the start-up check says nothing when nothing is new";
    }
}

TEST_F(UpdateCommandsTest, AFailedStartUpCheckIsShownAndTheTickGoesOn) {
    store.Values = {{"UpdatesAutoCheck", 1}, {"UpdatesDontAsk", 1}};
    transport->FailFetch = true;
    Tick();
    EXPECT_EQ(view.Steps, (std::vector<std::string>{"mark", std::string("error: ") + message::NotAvailable,
                                                    "refresh", "menu"}));
}

TEST_F(UpdateCommandsTest, ASettingsFailureEndsTheTickThere) {
    store.Values = {{"UpdatesAutoCheck", std::string("yes")}};
    EXPECT_THROW(Tick(), SettingsError);
    EXPECT_TRUE(view.Steps.empty());
    EXPECT_TRUE(transport->FetchedUrls.empty());
}

TEST_F(UpdateCommandsTest, NothingIsRefreshedOnceTheWindowHasGone) {
    store.Values = {{"UpdatesAutoCheck", 1}, {"UpdatesDontAsk", 1}};
    transport->DuringWait = [&] { checker->OwnerGone(); };
    Tick();
    EXPECT_EQ(view.Steps, std::vector<std::string>{"mark"});
    view.Steps.clear();
    RunCheckForUpdates(*checker, view);
    EXPECT_TRUE(view.Steps.empty());
}

TEST_F(UpdateCommandsTest, TheMenuCheckRefreshesOnlyAfterSuccess) {
    RunCheckForUpdates(*checker, view);
    EXPECT_EQ(view.Steps, std::vector<std::string>{"refresh"});
    EXPECT_EQ(ui.Infos(), std::vector<std::string>{message::NoUpdates});
    view.Steps.clear();
    transport->FailFetch = true;
    EXPECT_THROW(RunCheckForUpdates(*checker, view), UpdateError);
    EXPECT_TRUE(view.Steps.empty());
}

}  // namespace
}  // namespace velmora::update
