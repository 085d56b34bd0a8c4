#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "update/UpdateChecker.h"
#include "update/UpdateError.h"
#include "update/UpdateTexts.h"
#include "tests/fakes/FakeUpdateTransport.h"
#include "tests/fakes/FakeUpdateUi.h"

namespace velmora::update {
namespace {

constexpr char kCaption[] = "VELMORA SSD Toolbox 1.01";
const std::string kAppUrl = "http://h/app/tool_1.02.exe";
const std::string kQ5Url = "http://h/fw/q5.bin";
const std::string kQdUrl = "http://h/fw/qd.bin";

std::string FirmwareQuestion(const std::string& model) {
    return "New version of SSD " + model + " firmware is available.\nDo you want to download it?";
}

std::string Reply(bool app, bool firmware) {
    std::string body = "[file version]\nversion=1.0\n\n";
    if (app) body += "[app version]\nversion=1.02\nurl=" + kAppUrl + "\n\n";
    if (firmware) {
        body += "[fw upgrade1]\napplicable=Q51\nurl=" + kQ5Url + "\ncurrent=Q52\n\n";
        body += "[fw upgrade2]\napplicable=QD1\nurl=" + kQdUrl + "\ncurrent=QD2\n";
    }
    return body;
}

class UpdateCheckerTest : public ::testing::Test {
protected:
    UpdateCheckerTest() {
        drives.SetDisksCount(2);
        drives[0].FirmwareRevision = "Q51";
        drives[0].Model = "DRIVE A";
        drives[1].FirmwareRevision = "QD1";
        drives[1].Model = "DRIVE B";
        auto owned = std::make_unique<fakes::FakeUpdateTransport>();
        transport = owned.get();
        checker = std::make_unique<UpdateChecker>(drives, proxy, kCaption, std::move(owned), hosts, ui);
    }

    // Runs a check that must fail and returns its message.
    std::string FailingCheck(bool interactive) {
        try {
            checker->GetUpdates(interactive);
        } catch (const UpdateError& error) {
            return error.what();
        }
        ADD_FAILURE() << "the check did not fail";
        return {};
    }

    void ExpectIdleWithBaseCaption() {
        EXPECT_EQ(checker->BusyState(), busy_state::Idle);
        EXPECT_FALSE(checker->IsRunning());
        ASSERT_FALSE(ui.Captions().empty());
        EXPECT_EQ(ui.Captions().back(), kCaption);
    }

    DriveTable drives;
    ProxySettings proxy;
    fakes::FakeUpdateUi ui;
    fakes::FakeUpdateHostSource hosts;
    fakes::FakeUpdateTransport* transport = nullptr;  // owned by the checker
    std::unique_ptr<UpdateChecker> checker;
};

TEST_F(UpdateCheckerTest, AsksAboutTheApplicationThenEachDriveInTableOrder) {
    drives[1].FirmwareRevision = "Q51";  // two identical drives are asked about separately
    transport->Reply = Reply(true, true);
    checker->GetUpdates(true);
    EXPECT_EQ(ui.Questions(), (std::vector<std::string>{message::AppQuestion, FirmwareQuestion("DRIVE A"),
                                                        FirmwareQuestion("DRIVE B")}));
    EXPECT_TRUE(ui.Infos().empty()) << "declined offers still count as offers";
    EXPECT_TRUE(transport->Downloads.empty());
    EXPECT_EQ(drives[0].NewFirmwareVersion, "Q52");
    EXPECT_EQ(drives[1].NewFirmwareVersion, "Q52");
    ExpectIdleWithBaseCaption();
}

TEST_F(UpdateCheckerTest, SendsTheEncodedDriveListToTheConfiguredHostAtEveryCheck) {
    transport->Reply = Reply(false, false);
    checker->GetUpdates(false);
    hosts.Setting = {UpdateHostSetting::State::Text, " 127.0.0.1:8080 "};
    checker->GetUpdates(false);
    EXPECT_EQ(hosts.Reads, 2);
    EXPECT_EQ(transport->FetchedUrls,
              (std::vector<std::string>{
                  "http://update.velmora.com/daveruri/daveruri.php?disk=UTUxO0RSSVZFIEEKUUQxO0RSSVZFIEIK",
                  "http://127.0.0.1:8080/daveruri/daveruri.php?disk=UTUxO0RSSVZFIEEKUUQxO0RSSVZFIEIK"}));
}

TEST_F(UpdateCheckerTest, DownloadsAnAcceptedApplicationWithProgressInTheCaption) {
    transport->Reply = Reply(true, false);
    ui.Answers = {true};
    ui.SavePaths = {std::string("C:\\Downloads\\tool_1.02.exe")};
    const std::int64_t sixGiB = std::int64_t{6} << 30;
    transport->Scripts[kAppUrl].Progress = {{1000, 0}, {sixGiB / 2, sixGiB}, {sixGiB, sixGiB}};
    std::vector<std::int32_t> statesDuringDownload;
    transport->DuringWait = [&] { statesDuringDownload.push_back(checker->BusyState()); };

    checker->GetUpdates(true);

    EXPECT_EQ(ui.SaveDialogs(), std::vector<std::string>{"tool_1.02.exe"});
    ASSERT_EQ(transport->Downloads.size(), 1u);
    EXPECT_EQ(transport->Downloads[0], (std::pair<std::string, std::string>{kAppUrl, "C:\\Downloads\\tool_1.02.exe"}));
    // The unknown size shows nothing; percentages stay right past 2 GiB.
    EXPECT_EQ(ui.Captions(), (std::vector<std::string>{std::string(kCaption) + " (downloading 50%)",
                                                       std::string(kCaption) + " (downloading 100%)", kCaption}));
    EXPECT_EQ(ui.Infos(), std::vector<std::string>{message::AppDownloaded});
    EXPECT_EQ(ui.Events.back().What, fakes::FakeUpdateUi::Event::Kind::Caption);
    EXPECT_EQ(statesDuringDownload.front(), busy_state::Checking);  // the request of the check
    EXPECT_EQ(statesDuringDownload.back(), busy_state::Application);
    ExpectIdleWithBaseCaption();
}

TEST_F(UpdateCheckerTest, FirmwareNeedsTheDisclaimerAndDecliningItEndsThePresentation) {
    transport->Reply = Reply(false, true);
    ui.Answers = {true, false};
    checker->GetUpdates(true);
    EXPECT_EQ(ui.Questions(),
              (std::vector<std::string>{FirmwareQuestion("DRIVE A"), message::FirmwareDisclaimer}));
    EXPECT_TRUE(ui.SaveDialogs().empty());
    EXPECT_TRUE(ui.Infos().empty());
    ExpectIdleWithBaseCaption();
}

TEST_F(UpdateCheckerTest, AcceptedFirmwareIsSavedAndTheNextOfferFollows) {
    transport->Reply = Reply(false, true);
    ui.Answers = {true, true, false};
    ui.SavePaths = {std::string("q5.bin")};
    checker->GetUpdates(true);
    EXPECT_EQ(ui.Questions(), (std::vector<std::string>{FirmwareQuestion("DRIVE A"), message::FirmwareDisclaimer,
                                                        FirmwareQuestion("DRIVE B")}));
    EXPECT_EQ(ui.Infos(), std::vector<std::string>{message::FirmwareDownloaded});
    ASSERT_EQ(transport->Downloads.size(), 1u);
    EXPECT_EQ(transport->Downloads[0].first, kQ5Url);
}

TEST_F(UpdateCheckerTest, ACancelledSaveDialogDownloadsNothingAndGoesOn) {
    transport->Reply = Reply(true, true);
    ui.Answers = {true, true, true, false};
    checker->GetUpdates(true);
    EXPECT_EQ(ui.SaveDialogs(), (std::vector<std::string>{"tool_1.02.exe", "q5.bin"}));
    EXPECT_EQ(ui.Questions().back(), FirmwareQuestion("DRIVE B"));
    EXPECT_TRUE(transport->Downloads.empty());
    EXPECT_TRUE(ui.Infos().empty());
}

TEST_F(UpdateCheckerTest, OnlyTheMenuCommandSaysThatNothingIsNew) {
    transport->Reply = Reply(false, false);
    checker->GetUpdates(false);
    EXPECT_TRUE(ui.Infos().empty());
    checker->GetUpdates(true);
    ASSERT_EQ(ui.Events.size(), 3u);
    EXPECT_EQ(ui.Events[1].Text, message::NoUpdates);
    EXPECT_EQ(ui.Events[1].Button, InfoButton::Ok);
}

TEST_F(UpdateCheckerTest, ASecondCheckDuringTheFirstIsRefusedAndTheFirstGoesOn) {
    transport->Reply = Reply(true, false);
    transport->DuringWait = [&] {
        transport->DuringWait = nullptr;
        checker->GetUpdates(true);
    };
    checker->GetUpdates(true);
    ASSERT_GE(ui.Events.size(), 2u);
    EXPECT_EQ(ui.Events[0].Text, message::Busy);
    EXPECT_EQ(ui.Events[0].Button, InfoButton::Yes);
    EXPECT_EQ(ui.Events[1].Text, message::AppQuestion);
    EXPECT_EQ(transport->FetchedUrls.size(), 1u);
    ExpectIdleWithBaseCaption();
}

TEST_F(UpdateCheckerTest, FailuresEndTheCheckWithTheirMessageAndLeaveItIdle) {
    struct Case {
        const char* Name;
        std::function<void()> Arrange;
        const char* Message;
        std::size_t Fetches;
    };
    const Case cases[] = {
        {"no connection", [this] { transport->FailFetch = true; }, message::NotAvailable, 1},
        {"malformed host setting", [this] { hosts.Setting = {UpdateHostSetting::State::Text, "h:0"}; },
         message::NotAvailable, 0},
        {"unreadable host setting", [this] { hosts.Setting = {UpdateHostSetting::State::Unreadable, ""}; },
         message::NotAvailable, 0},
        {"error page instead of a reply", [this] { transport->Reply = "<html>502 Bad Gateway</html>"; },
         message::UpdateManually, 1},
        {"download fails",
         [this] {
             transport->Reply = Reply(true, true);
             ui.Answers = {true};
             ui.SavePaths = {std::string("a.exe")};
             transport->Scripts[kAppUrl].Fail = true;
         },
         message::NotAvailable, 1},
    };
    for (const auto& c : cases) {
        ui.Events.clear();
        transport->FetchedUrls.clear();
        transport->FailFetch = false;
        transport->Reply = Reply(false, false);
        hosts.Setting = {};
        drives[0].NewFirmwareVersion = "stale";
        c.Arrange();
        EXPECT_EQ(FailingCheck(true), c.Message) << c.Name;
        EXPECT_EQ(transport->FetchedUrls.size(), c.Fetches) << c.Name;
        EXPECT_EQ(checker->BusyState(), busy_state::Idle) << c.Name;
        ASSERT_FALSE(ui.Captions().empty()) << c.Name;
        EXPECT_EQ(ui.Captions().back(), kCaption) << c.Name;
        EXPECT_TRUE(ui.Infos().empty()) << c.Name << ": no further box after a failure";
        EXPECT_NE(drives[0].NewFirmwareVersion, "stale") << c.Name;
    }
}

TEST_F(UpdateCheckerTest, AFailedDownloadDropsTheRemainingOffersButKeepsWhatWasFound) {
    transport->Reply = Reply(true, true);
    ui.Answers = {true};
    ui.SavePaths = {std::string("a.exe")};
    transport->Scripts[kAppUrl].Fail = true;
    EXPECT_EQ(FailingCheck(false), message::NotAvailable);
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{message::AppQuestion});
    EXPECT_EQ(checker->Offers().size(), 3u);
    EXPECT_EQ(drives[1].NewFirmwareVersion, "QD2");
}

TEST_F(UpdateCheckerTest, ACheckAfterAFailureRunsNormally) {
    transport->FailFetch = true;
    EXPECT_EQ(FailingCheck(true), message::NotAvailable);
    transport->FailFetch = false;
    transport->Reply = Reply(true, false);
    checker->GetUpdates(true);
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{message::AppQuestion});
}

TEST_F(UpdateCheckerTest, ExhaustedMemoryFailsWithItsOwnMessage) {
    struct Exhausted final : UpdateTransport {
        void SetProxy(const std::string&, std::int32_t) override {}
        std::string Fetch(const std::string&) override { throw std::bad_alloc(); }
        void Download(const std::string&, const std::string&, const DownloadProgress&) override {}
        void Abort() noexcept override {}
    };
    UpdateChecker exhausted(drives, proxy, kCaption, std::make_unique<Exhausted>(), hosts, ui);
    try {
        exhausted.GetUpdates(true);
        ADD_FAILURE() << "the check did not fail";
    } catch (const UpdateError& error) {
        EXPECT_STREQ(error.what(), kOutOfMemoryText);
    }
    EXPECT_EQ(exhausted.BusyState(), busy_state::Idle);
}

TEST_F(UpdateCheckerTest, ClearsEveryDrivesNewFirmwareVersionBeforeItAsks) {
    drives[0].NewFirmwareVersion = "old";
    drives[1].NewFirmwareVersion = "old";
    transport->DuringWait = [&] {
        EXPECT_EQ(drives[0].NewFirmwareVersion, "");
        EXPECT_EQ(drives[1].NewFirmwareVersion, "");
    };
    transport->Reply = Reply(false, false);
    checker->GetUpdates(false);
    EXPECT_EQ(drives[0].NewFirmwareVersion, "");
}

TEST_F(UpdateCheckerTest, TakesTheProxyFromTheSettingsAtEachCheck) {
    transport->Reply = Reply(false, false);
    const std::pair<ProxySettings, std::pair<std::string, std::int32_t>> cases[] = {
        {{false, "proxy", 3128}, {"", 0}},
        {{true, "proxy", 3128}, {"proxy", 3128}},
        {{true, "", 3128}, {"", 3128}},  // an empty address means direct to the client
    };
    for (const auto& [settings, expected] : cases) {
        proxy = settings;
        checker->GetUpdates(false);
        EXPECT_EQ(transport->ProxyHost, expected.first);
        EXPECT_EQ(transport->ProxyPort, expected.second);
    }
}

TEST_F(UpdateCheckerTest, ClosingTheWindowDuringTheRequestEndsTheCheckQuietly) {
    transport->Reply = Reply(true, false);
    transport->DuringWait = [&] { checker->OwnerGone(); };
    checker->GetUpdates(true);  // no exception: nobody is left to show it
    EXPECT_TRUE(ui.Events.empty()) << "not even the caption is touched";
    EXPECT_GE(transport->AbortCount, 1);
    EXPECT_EQ(checker->BusyState(), busy_state::Idle);
    EXPECT_FALSE(checker->IsRunning());
}

TEST_F(UpdateCheckerTest, ClosingTheWindowDuringADownloadAbortsItAndShowsNothingMore) {
    transport->Reply = Reply(true, true);
    ui.Answers = {true, true, true};
    ui.SavePaths = {std::string("a.exe"), std::string("b.bin")};
    transport->Scripts[kAppUrl].Progress = {{10, 100}, {20, 100}};
    transport->DuringWait = [&] {
        if (!transport->Downloads.empty()) checker->OwnerGone();
    };
    checker->GetUpdates(true);
    EXPECT_EQ(transport->Downloads.size(), 1u);
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{message::AppQuestion});
    EXPECT_TRUE(ui.Infos().empty());
    EXPECT_EQ(ui.Captions(), std::vector<std::string>{std::string(kCaption) + " (downloading 10%)"});
    EXPECT_EQ(checker->BusyState(), busy_state::Idle);
}

TEST_F(UpdateCheckerTest, ClosingTheWindowWhileABoxIsOpenStopsBeforeTheNextStep) {
    transport->Reply = Reply(true, true);
    ui.Answers = {true};
    ui.BeforeAnswer = [&] { checker->OwnerGone(); };
    checker->GetUpdates(true);
    EXPECT_EQ(ui.Events.size(), 1u);
    EXPECT_TRUE(transport->Downloads.empty());
}

TEST_F(UpdateCheckerTest, AfterTheWindowIsGoneNoCheckStarts) {
    checker->OwnerGone();
    checker->GetUpdates(true);
    EXPECT_TRUE(transport->FetchedUrls.empty());
    EXPECT_TRUE(ui.Events.empty());
}

TEST_F(UpdateCheckerTest, DestroyingTheCheckerAbortsTheTransfer) {
    // The checker owns its transport, so count on a transport that reports
    // to a counter outside it.
    struct Counting final : UpdateTransport {
        explicit Counting(int& aborts) : aborts_(aborts) {}
        void SetProxy(const std::string&, std::int32_t) override {}
        std::string Fetch(const std::string&) override { return {}; }
        void Download(const std::string&, const std::string&, const DownloadProgress&) override {}
        void Abort() noexcept override { ++aborts_; }
        int& aborts_;
    };
    int aborts = 0;
    { const UpdateChecker doomed(drives, proxy, kCaption, std::make_unique<Counting>(aborts), hosts, ui); }
    EXPECT_EQ(aborts, 1);
}

}  // namespace
}  // namespace velmora::update
