// "Check for updates" and the start-up check: the exchange, the offers in
// turn, downloads, failures, and the window closing while a check runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "update/UpdateTexts.h"
#include "tests/update/UpdateFlowFixture.h"

namespace velmora::update {
namespace {

using Kind = fakes::FakeUpdateWindowSide::Kind;
using test_support::kCaption;

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

class UpdateCheckTest : public test_support::UpdateFlowTest {
protected:
    UpdateCheckTest() {
        drives.SetDisksCount(2);
        drives[0].FirmwareRevision = "Q51";
        drives[0].Model = "DRIVE A";
        drives[1].FirmwareRevision = "QD1";
        drives[1].Model = "DRIVE B";
    }

    void ExpectBaseCaptionRestored() {
        ASSERT_FALSE(window.Captions().empty());
        EXPECT_EQ(window.Captions().back(), kCaption);
    }
};

TEST_F(UpdateCheckTest, AsksAboutTheApplicationThenEachDriveInTableOrder) {
    drives[1].FirmwareRevision = "Q51";  // two identical drives are asked about separately
    transport->Reply = Reply(true, true);
    flow->CheckForUpdates();
    EXPECT_EQ(window.Questions(), (std::vector<std::string>{message::AppQuestion, FirmwareQuestion("DRIVE A"),
                                                            FirmwareQuestion("DRIVE B")}));
    EXPECT_TRUE(window.Infos().empty()) << "declined offers still count as offers";
    EXPECT_TRUE(transport->Downloads.empty());
    EXPECT_EQ(drives[0].NewFirmwareVersion, "Q52");
    EXPECT_EQ(drives[1].NewFirmwareVersion, "Q52");
    ExpectBaseCaptionRestored();
}

TEST_F(UpdateCheckTest, SendsTheEncodedDriveListToTheConfiguredHostAtEveryCheck) {
    transport->Reply = Reply(false, false);
    flow->CheckForUpdates();
    hosts.Setting = {UpdateHostSetting::State::Text, " 127.0.0.1:8080 "};
    flow->CheckForUpdates();
    EXPECT_EQ(hosts.Reads, 2);
    EXPECT_EQ(transport->FetchedUrls,
              (std::vector<std::string>{
                  "http://update.velmora.com/daveruri/daveruri.php?disk=UTUxO0RSSVZFIEEKUUQxO0RSSVZFIEIK",
                  "http://127.0.0.1:8080/daveruri/daveruri.php?disk=UTUxO0RSSVZFIEEKUUQxO0RSSVZFIEIK"}));
}

TEST_F(UpdateCheckTest, DownloadsAnAcceptedApplicationWithProgressInTheCaption) {
    transport->Reply = Reply(true, false);
    window.Answers = {true};
    window.SavePaths = {std::string("C:\\Downloads\\tool_1.02.exe")};
    const std::int64_t sixGiB = std::int64_t{6} << 30;
    transport->Scripts[kAppUrl].Progress = {{1000, 0}, {sixGiB / 2, sixGiB}, {sixGiB, sixGiB}};

    flow->CheckForUpdates();

    EXPECT_EQ(window.SaveDialogs(), std::vector<std::string>{"tool_1.02.exe"});
    ASSERT_EQ(transport->Downloads.size(), 1u);
    // Downloaded beside the chosen file, then moved into its place.
    EXPECT_EQ(transport->Downloads[0], (std::pair<std::string, std::string>{kAppUrl, "C:\\Downloads\\vel1.tmp"}));
    EXPECT_EQ(files.Files, (std::map<std::string, std::string>{{"C:\\Downloads\\tool_1.02.exe", "body"}}));
    // The unknown size shows nothing; percentages stay right past 2 GiB.
    EXPECT_EQ(window.Captions(), (std::vector<std::string>{std::string(kCaption) + " (downloading 50%)",
                                                           std::string(kCaption) + " (downloading 100%)", kCaption}));
    EXPECT_EQ(window.Infos(), std::vector<std::string>{message::AppDownloaded});
    // The caption comes back after the last box, then the drive is shown again.
    ASSERT_GE(window.Events.size(), 2u);
    EXPECT_EQ(window.Events[window.Events.size() - 2].What, Kind::Caption);
    EXPECT_EQ(window.Events.back().What, Kind::Refresh);
}

TEST_F(UpdateCheckTest, FirmwareNeedsTheDisclaimerAndDecliningItEndsThePresentation) {
    transport->Reply = Reply(false, true);
    window.Answers = {true, false};
    flow->CheckForUpdates();
    EXPECT_EQ(window.Questions(),
              (std::vector<std::string>{FirmwareQuestion("DRIVE A"), message::FirmwareDisclaimer}));
    EXPECT_TRUE(window.SaveDialogs().empty());
    EXPECT_TRUE(window.Infos().empty());
    ExpectBaseCaptionRestored();
}

TEST_F(UpdateCheckTest, AcceptedFirmwareIsSavedAndTheNextOfferFollows) {
    transport->Reply = Reply(false, true);
    window.Answers = {true, true, false};
    window.SavePaths = {std::string("q5.bin")};
    flow->CheckForUpdates();
    EXPECT_EQ(window.Questions(), (std::vector<std::string>{FirmwareQuestion("DRIVE A"),
                                                            message::FirmwareDisclaimer, FirmwareQuestion("DRIVE B")}));
    EXPECT_EQ(window.Infos(), std::vector<std::string>{message::FirmwareDownloaded});
    ASSERT_EQ(transport->Downloads.size(), 1u);
    EXPECT_EQ(transport->Downloads[0].first, kQ5Url);
}

TEST_F(UpdateCheckTest, ACancelledSaveDialogDownloadsNothingAndGoesOn) {
    transport->Reply = Reply(true, true);
    window.Answers = {true, true, true, false};
    flow->CheckForUpdates();
    EXPECT_EQ(window.SaveDialogs(), (std::vector<std::string>{"tool_1.02.exe", "q5.bin"}));
    EXPECT_EQ(window.Questions().back(), FirmwareQuestion("DRIVE B"));
    EXPECT_TRUE(transport->Downloads.empty());
    EXPECT_TRUE(window.Infos().empty());
}

TEST_F(UpdateCheckTest, OnlyTheMenuCommandSaysThatNothingIsNew) {
    transport->Reply = Reply(false, false);
    CheckAtStartUpForGood();
    flow->FirstTick();
    EXPECT_EQ(transport->FetchedUrls.size(), 1u);
    EXPECT_TRUE(window.Infos().empty());
    flow->CheckForUpdates();
    ASSERT_EQ(window.CountOf(Kind::Inform), 1);
    const auto info = std::find_if(window.Events.begin(), window.Events.end(),
                                   [](const auto& event) { return event.What == Kind::Inform; });
    EXPECT_EQ(info->Text, message::NoUpdates);
    EXPECT_EQ(info->Button, InfoButton::Ok);
}

TEST_F(UpdateCheckTest, TheMenuCheckRefreshesTheDriveOnlyAfterSuccess) {
    flow->CheckForUpdates();
    EXPECT_EQ(window.WindowSteps(), std::vector<std::string>{"refresh"});
    window.Events.clear();
    transport->FailFetch = true;
    EXPECT_THROW(flow->CheckForUpdates(), UpdateError);
    EXPECT_TRUE(window.WindowSteps().empty());
}

TEST_F(UpdateCheckTest, ASecondCheckDuringTheFirstIsRefusedAndTheFirstGoesOn) {
    transport->Reply = Reply(true, false);
    transport->DuringWait = [&] {
        transport->DuringWait = nullptr;
        flow->CheckForUpdates();
    };
    flow->CheckForUpdates();
    ASSERT_FALSE(window.Events.empty());
    EXPECT_EQ(window.Events[0].What, Kind::Inform);
    EXPECT_EQ(window.Events[0].Text, message::Busy);
    EXPECT_EQ(window.Events[0].Button, InfoButton::Yes);
    EXPECT_EQ(window.Questions(), std::vector<std::string>{message::AppQuestion});
    EXPECT_EQ(transport->FetchedUrls.size(), 1u);
    ExpectBaseCaptionRestored();
}

TEST_F(UpdateCheckTest, ASignedReplyIsOfferedUnderTheDefaultPolicy) {
    trust.Settings.RequireSigned = true;
    transport->Reply = fakes::SignReply(
        "[file version]\nversion=1.0\n\n[app version]\nversion=1.02\nurl=" + kAppUrl + "\nsha256=" +
        std::string(64, '0') + "\n");
    flow->CheckForUpdates();
    EXPECT_EQ(window.Questions(), std::vector<std::string>{message::AppQuestion});
    EXPECT_EQ(trust.Reads, 1);
}

TEST_F(UpdateCheckTest, FailuresEndTheCheckWithTheirMessage) {
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
        {"unsigned reply under RequireSignedUpdates 1",
         [this] {
             trust.Settings.RequireSigned = true;
             transport->Reply = Reply(true, true);
         },
         message::NotVerified, 1},
    };
    for (const auto& c : cases) {
        window.Events.clear();
        transport->FetchedUrls.clear();
        transport->FailFetch = false;
        transport->Reply = Reply(false, false);
        hosts.Setting = {};
        trust.Settings.RequireSigned = false;
        drives[0].NewFirmwareVersion = "stale";
        c.Arrange();
        EXPECT_EQ(FailingCheck(), c.Message) << c.Name;
        EXPECT_EQ(transport->FetchedUrls.size(), c.Fetches) << c.Name;
        ASSERT_FALSE(window.Captions().empty()) << c.Name;
        EXPECT_EQ(window.Captions().back(), kCaption) << c.Name;
        EXPECT_TRUE(window.Infos().empty()) << c.Name << ": no further box after a failure";
        EXPECT_NE(drives[0].NewFirmwareVersion, "stale") << c.Name;
    }
}

TEST_F(UpdateCheckTest, AFailedDownloadDropsTheRemainingOffersButKeepsWhatWasFound) {
    transport->Reply = Reply(true, true);
    window.Answers = {true};
    window.SavePaths = {std::string("a.exe")};
    transport->Scripts[kAppUrl].Fail = true;
    EXPECT_EQ(FailingCheck(), message::NotAvailable);
    EXPECT_EQ(window.Questions(), std::vector<std::string>{message::AppQuestion});
    EXPECT_EQ(drives[1].NewFirmwareVersion, "QD2");
}

// The application offer with a digest of the bytes 0x00, 0x01, ... 0x1f.
std::string ReplyWithDigest(const std::string& hex) {
    return "[file version]\nversion=1.0\n\n[app version]\nversion=1.02\nurl=" + kAppUrl + "\nsha256=" + hex + "\n";
}

Sha256Digest CountingDigest() {
    Sha256Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(i);
    return digest;
}

TEST_F(UpdateCheckTest, ADownloadReplacesTheChosenFileOnlyWhenCompleteAndMatchingItsDigest) {
    const std::string kTarget = "C:\\Downloads\\tool_1.02.exe";
    const std::string kTemporary = "C:\\Downloads\\vel1.tmp";
    const std::string kHex = "000102030405060708090a0b0c0d0e0f101112131415161718191A1B1C1D1E1F";
    std::string otherHex = kHex;
    otherHex.back() = '0';
    const struct {
        const char* Name;
        std::string Digest;  // the offer's sha256; empty: none
        bool FileReadable;   // the downloaded file can be hashed
        bool DownloadFails;
        bool MoveFails;
        std::string Failure;  // the check's message; empty: downloaded
    } cases[] = {
        {"no digest", "", true, false, false, ""},
        {"matching digest, any case", kHex, true, false, false, ""},
        {"another digest", otherHex, true, false, false, message::DownloadDamaged},
        {"unreadable download", kHex, false, false, false, message::DownloadDamaged},
        {"failed download", kHex, true, true, false, message::NotAvailable},
        {"failed move into place", "", true, false, true, message::NotAvailable},
    };
    for (const auto& c : cases) {
        window.Events.clear();
        files.Files = {{kTarget, "the old file"}};
        files.Removed.clear();
        files.FailMove = c.MoveFails;
        crypto.Digest = c.FileReadable ? std::optional(CountingDigest()) : std::nullopt;
        crypto.Hashed.clear();
        transport->Reply = c.Digest.empty() ? Reply(true, false) : ReplyWithDigest(c.Digest);
        transport->Scripts[kAppUrl] = {{}, "the new file", c.DownloadFails};
        window.Answers = {true};
        window.SavePaths = {kTarget};

        if (c.Failure.empty()) {
            flow->CheckForUpdates();
            EXPECT_EQ(window.Infos(), std::vector<std::string>{message::AppDownloaded}) << c.Name;
            EXPECT_EQ(files.Files, (std::map<std::string, std::string>{{kTarget, "the new file"}})) << c.Name;
        } else {
            EXPECT_EQ(FailingCheck(), c.Failure) << c.Name;
            EXPECT_TRUE(window.Infos().empty()) << c.Name << ": not announced";
            EXPECT_EQ(files.Files, (std::map<std::string, std::string>{{kTarget, "the old file"}})) << c.Name;
            EXPECT_EQ(files.Removed, std::vector<std::string>{kTemporary}) << c.Name;
        }
        // Only a finished download is hashed, and only when there is a digest to match.
        const bool hashed = !c.Digest.empty() && !c.DownloadFails;
        EXPECT_EQ(crypto.Hashed, hashed ? std::vector<std::string>{kTemporary} : std::vector<std::string>{}) << c.Name;
        files = fakes::FakeDownloadFiles{};
    }
}

TEST_F(UpdateCheckTest, TheDownloadIsToldTheFreeSpaceOfTheTargetDiskOrNoLimitWhenUnknown) {
    transport->Reply = Reply(true, true);
    window.Answers = {true, true, true, true, true};
    window.SavePaths = {std::string("C:\\a.exe"), std::string("C:\\q5.bin")};
    files.FreeBytes = 12345;
    window.WhileOpen = [&] {
        if (window.SaveDialogs().size() == 2) files.FreeBytes = std::nullopt;
    };
    flow->CheckForUpdates();
    EXPECT_EQ(transport->FreeBytesSeen, (std::vector<std::uint64_t>{12345, ~std::uint64_t{0}}));
}

TEST_F(UpdateCheckTest, NoTemporaryFileMeansNoDownload) {
    transport->Reply = Reply(true, false);
    window.Answers = {true};
    window.SavePaths = {std::string("C:\\a.exe")};
    files.FailCreate = true;
    EXPECT_EQ(FailingCheck(), message::NotAvailable);
    EXPECT_TRUE(transport->Downloads.empty());
}

TEST_F(UpdateCheckTest, ACheckAfterAFailureRunsNormally) {
    transport->FailFetch = true;
    EXPECT_EQ(FailingCheck(), message::NotAvailable);
    transport->FailFetch = false;
    transport->Reply = Reply(true, false);
    flow->CheckForUpdates();
    EXPECT_EQ(window.Questions(), std::vector<std::string>{message::AppQuestion});
}

TEST_F(UpdateCheckTest, ExhaustedMemoryFailsWithItsOwnMessage) {
    struct Exhausted final : UpdateTransport {
        void SetProxy(const std::string&, std::int32_t) override {}
        std::string Fetch(const std::string&) override { throw std::bad_alloc(); }
        void Download(const std::string&, const std::string&, const DownloadProgress&, std::uint64_t) override {}
        void Abort() noexcept override {}
    };
    UpdateFlow exhausted(drives, store, hosts, trust, crypto, std::make_unique<Exhausted>(), files, window, kCaption);
    try {
        exhausted.CheckForUpdates();
        ADD_FAILURE() << "the check did not fail";
    } catch (const UpdateError& error) {
        EXPECT_STREQ(error.what(), kOutOfMemoryText);
    }
    ExpectBaseCaptionRestored();
}

TEST_F(UpdateCheckTest, ClearsEveryDrivesNewFirmwareVersionBeforeItAsks) {
    drives[0].NewFirmwareVersion = "old";
    drives[1].NewFirmwareVersion = "old";
    transport->DuringWait = [&] {
        EXPECT_EQ(drives[0].NewFirmwareVersion, "");
        EXPECT_EQ(drives[1].NewFirmwareVersion, "");
    };
    transport->Reply = Reply(false, false);
    flow->CheckForUpdates();
    EXPECT_EQ(drives[0].NewFirmwareVersion, "");
}

TEST_F(UpdateCheckTest, TakesTheProxyOfTheConnectionSettingsAtEachCheck) {
    transport->Reply = Reply(false, false);
    const std::pair<ProxySettings, std::pair<std::string, std::int32_t>> cases[] = {
        {{false, "proxy", 3128}, {"", 0}},
        {{true, "proxy", 3128}, {"proxy", 3128}},
        {{true, "", 3128}, {"", 3128}},  // an empty address means direct to the client
    };
    for (const auto& [chosen, expected] : cases) {
        const ProxySettings settings = chosen;  // clang 14 cannot capture a structured binding
        window.ConnectionDialog = [settings](ProxySettings& proxy, SettingsStore&) { proxy = settings; };
        flow->ConnectionSettings();
        flow->CheckForUpdates();
        EXPECT_EQ(transport->ProxyHost, expected.first);
        EXPECT_EQ(transport->ProxyPort, expected.second);
    }
}

TEST_F(UpdateCheckTest, ClosingTheWindowDuringTheRequestEndsTheCheckQuietly) {
    transport->Reply = Reply(true, false);
    transport->DuringWait = [&] { flow->OwnerGone(); };
    flow->CheckForUpdates();  // no exception: nobody is left to show it
    EXPECT_EQ(window.CountOf(Kind::CloseOwned), static_cast<int>(window.Events.size()))
        << "not even the caption is touched";
    EXPECT_GE(transport->AbortCount, 1);
    EXPECT_FALSE(flow->Busy());
}

TEST_F(UpdateCheckTest, ClosingTheWindowDuringADownloadAbortsItAndShowsNothingMore) {
    transport->Reply = Reply(true, true);
    window.Answers = {true, true, true};
    window.SavePaths = {std::string("a.exe"), std::string("b.bin")};
    transport->Scripts[kAppUrl].Progress = {{10, 100}, {20, 100}};
    transport->DuringWait = [&] {
        if (!transport->Downloads.empty()) flow->OwnerGone();
    };
    flow->CheckForUpdates();
    EXPECT_EQ(transport->Downloads.size(), 1u);
    EXPECT_EQ(window.Questions(), std::vector<std::string>{message::AppQuestion});
    EXPECT_TRUE(window.Infos().empty());
    EXPECT_EQ(window.Captions(), std::vector<std::string>{std::string(kCaption) + " (downloading 10%)"});
    EXPECT_TRUE(window.WindowSteps().empty());
}

TEST_F(UpdateCheckTest, ClosingTheWindowWhileABoxIsOpenStopsBeforeTheNextStep) {
    transport->Reply = Reply(true, true);
    window.Answers = {true};
    window.WhileOpen = [&] { flow->OwnerGone(); };
    flow->CheckForUpdates();
    EXPECT_EQ(window.Questions(), std::vector<std::string>{message::AppQuestion});
    EXPECT_TRUE(window.SaveDialogs().empty());
    EXPECT_TRUE(transport->Downloads.empty());
    EXPECT_EQ(window.Events.back().What, Kind::CloseOwned);
}

TEST_F(UpdateCheckTest, DestroyingTheFlowAbortsTheTransfer) {
    // The flow owns its transport, so count on a transport that reports to a
    // counter outside it.
    struct Counting final : UpdateTransport {
        explicit Counting(int& aborts) : aborts_(aborts) {}
        void SetProxy(const std::string&, std::int32_t) override {}
        std::string Fetch(const std::string&) override { return {}; }
        void Download(const std::string&, const std::string&, const DownloadProgress&, std::uint64_t) override {}
        void Abort() noexcept override { ++aborts_; }
        int& aborts_;
    };
    int aborts = 0;
    {
        const UpdateFlow doomed(drives, store, hosts, trust, crypto, std::make_unique<Counting>(aborts), files, window,
                                kCaption);
    }
    EXPECT_EQ(aborts, 1);
}

}  // namespace
}  // namespace velmora::update
