#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/UpdateError.h"
#include "update/UpdateReplyParser.h"
#include "update/UpdateTexts.h"

namespace velmora::update {
namespace {

constexpr char kHeader[] = "[file version]\nversion=1.0\n\n";

DriveTable Drives(const std::vector<std::pair<std::string, std::string>>& revisionAndModel) {
    DriveTable drives;
    drives.SetDisksCount(static_cast<int>(revisionAndModel.size()));
    for (std::size_t i = 0; i < revisionAndModel.size(); ++i) {
        drives[static_cast<int>(i)].FirmwareRevision = revisionAndModel[i].first;
        drives[static_cast<int>(i)].Model = revisionAndModel[i].second;
    }
    return drives;
}

struct Parsed {
    std::vector<UpdateOffer> Offers;
    std::vector<std::string> NewVersions;
};

Parsed Parse(const std::string& body, DriveTable drives) {
    Parsed parsed;
    ParseUpdateReply(body, drives, parsed.Offers);
    for (int i = 0; i < drives.DiskCount(); ++i) parsed.NewVersions.push_back(drives[i].NewFirmwareVersion);
    return parsed;
}

TEST(ParseUpdateReply, RefusesEveryReplyWithoutFormatVersionOnePointZero) {
    const char* const bodies[] = {
        "",
        "<html><body>Not Found</body></html>",
        "[file version]\nversion=1.00\n",
        "[app version]\nversion=2.0\nurl=http://h/a.exe\n",
    };
    for (const char* body : bodies) {
        DriveTable drives = Drives({{"FW1", "DISK A"}});
        std::vector<UpdateOffer> offers;
        try {
            ParseUpdateReply(body, drives, offers);
            ADD_FAILURE() << "accepted: " << body;
        } catch (const UpdateError& error) {
            EXPECT_STREQ(error.what(), message::UpdateManually) << body;
        }
        EXPECT_TRUE(offers.empty()) << body;
        EXPECT_EQ(drives[0].NewFirmwareVersion, "") << body;
    }
}

TEST(ParseUpdateReply, OffersTheApplicationForAnyOtherVersionText) {
    const std::pair<std::string, bool> cases[] = {
        {"1.01", false}, {"1.00", true}, {"0.9", true}, {"1.02", true}, {"1.01 beta", true},
    };
    for (const auto& [version, offered] : cases) {
        const Parsed parsed =
            Parse(std::string(kHeader) + "[app version]\nversion=" + version + "\nurl=http://h/a.exe\n", {});
        EXPECT_EQ(parsed.Offers.size(), offered ? 1u : 0u) << version;
    }
}

TEST(ParseUpdateReply, MakesNoApplicationOfferWithoutUrl) {
    EXPECT_TRUE(Parse(std::string(kHeader) + "[app version]\nversion=2.0\n", {}).Offers.empty());
    EXPECT_TRUE(Parse(std::string(kHeader) + "[app version]\nversion=2.0\nurl=\n", {}).Offers.empty());
    // An absent version differs from ours: the url alone makes an offer.
    const Parsed parsed = Parse(std::string(kHeader) + "[app version]\nurl=http://h/dir/\n", {});
    ASSERT_EQ(parsed.Offers.size(), 1u);
    EXPECT_EQ(parsed.Offers[0].OfferedVersion, "");
    EXPECT_EQ(parsed.Offers[0].FileName, "");
}

struct FirmwareCase {
    const char* Name;
    std::string Sections;
    std::vector<std::string> Revisions;
    std::vector<std::string> NewVersions;
    std::vector<std::string> OfferUrls;
};

TEST(ParseUpdateReply, MatchesFirmwareSectionsByExactRevision) {
    const FirmwareCase cases[] = {
        {"second entry of the list matches exactly",
         "[fw upgrade1]\napplicable=FW1;FW2\nurl=http://h/fw2.bin\ncurrent=FW3\n",
         {"FW2", "fw2", "FW"},
         {"FW3", "", ""},
         {"http://h/fw2.bin"}},
        {"numbering must be contiguous",
         "[fw upgrade1]\napplicable=X\nurl=http://h/1\ncurrent=1\n\n[fw upgrade3]\napplicable=FW1\nurl=http://h/3\ncurrent=3\n",
         {"FW1"},
         {""},
         {}},
        {"matching section without url continues with the next",
         "[fw upgrade1]\napplicable=FW1\ncurrent=9\n\n[fw upgrade2]\napplicable=FW1\nurl=http://h/2\ncurrent=2\n",
         {"FW1"},
         {"2"},
         {"http://h/2"}},
        {"the first matching section with url wins",
         "[fw upgrade1]\napplicable=FW1\nurl=http://h/1\ncurrent=1\n\n[fw upgrade2]\napplicable=FW1\nurl=http://h/2\ncurrent=2\n",
         {"FW1"},
         {"1"},
         {"http://h/1"}},
        {"two identical drives each get an offer",
         "[fw upgrade1]\napplicable=FW1\nurl=http://h/1\ncurrent=1\n",
         {"FW1", "FW1"},
         {"1", "1"},
         {"http://h/1", "http://h/1"}},
        {"sections out of order in the text",
         "[fw upgrade2]\napplicable=FW2\nurl=http://h/2\ncurrent=2\n\n[fw upgrade1]\napplicable=FW1\nurl=http://h/1\ncurrent=1\n",
         {"FW2", "FW1"},
         {"2", "1"},
         {"http://h/2", "http://h/1"}},
        {"url without current offers with an empty version and keeps searching",
         "[fw upgrade1]\napplicable=FW1\nurl=http://h/1\n\n[fw upgrade2]\napplicable=FW1\nurl=http://h/2\ncurrent=2\n",
         {"FW1"},
         {"2"},
         {"http://h/1", "http://h/2"}},
        {"an empty list entry matches a drive without revision",
         "[fw upgrade1]\napplicable=;FW1\nurl=http://h/1\ncurrent=1\n",
         {"", "FW1"},
         {"1", "1"},
         {"http://h/1", "http://h/1"}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> table;
        for (std::size_t i = 0; i < c.Revisions.size(); ++i) table.emplace_back(c.Revisions[i], "M" + std::to_string(i));
        const Parsed parsed = Parse(std::string(kHeader) + c.Sections, Drives(table));
        EXPECT_EQ(parsed.NewVersions, c.NewVersions) << c.Name;
        std::vector<std::string> urls;
        for (const auto& offer : parsed.Offers) {
            EXPECT_EQ(offer.Kind, OfferKind::Firmware) << c.Name;
            urls.push_back(offer.Url);
        }
        EXPECT_EQ(urls, c.OfferUrls) << c.Name;
    }
}

TEST(ParseUpdateReply, OrdersTheApplicationFirstThenDrivesInTableOrder) {
    const std::string body = std::string(kHeader) +
                             "[app version]\nversion=1.02\nurl=http://h/app/tool.exe\n\n"
                             "[fw upgrade1]\napplicable=QD1\nurl=http://h/fw/qd.bin\ncurrent=QD2\nsha256=d1\n\n"
                             "[fw upgrade2]\napplicable=Q51\nurl=http://h/fw/q5.bin\ncurrent=Q52\n";
    const Parsed parsed = Parse(body, Drives({{"Q51", "DRIVE A"}, {"XX", "OTHER"}, {"QD1", "DRIVE B"}}));
    // Each offer carries its own section's digest, as given.
    const std::vector<UpdateOffer> expected = {
        {OfferKind::Application, "", "1.02", "tool.exe", "http://h/app/tool.exe"},
        {OfferKind::Firmware, "DRIVE A", "Q52", "q5.bin", "http://h/fw/q5.bin"},
        {OfferKind::Firmware, "DRIVE B", "QD2", "qd.bin", "http://h/fw/qd.bin", "d1"},
    };
    EXPECT_EQ(parsed.Offers, expected);
    EXPECT_EQ(parsed.NewVersions, (std::vector<std::string>{"Q52", "", "QD2"}));
}

TEST(ParseUpdateReply, ExaminesNoSectionBeyondTheTwoHundredFiftySixth) {
    std::string body = kHeader;
    for (int n = 1; n <= 257; ++n) {
        body += "[fw upgrade" + std::to_string(n) + "]\napplicable=R" + std::to_string(n) + "\nurl=http://h/" +
                std::to_string(n) + "\ncurrent=C" + std::to_string(n) + "\n\n";
    }
    const Parsed parsed = Parse(body, Drives({{"R256", "A"}, {"R257", "B"}}));
    EXPECT_EQ(parsed.NewVersions, (std::vector<std::string>{"C256", ""}));
}

}  // namespace
}  // namespace velmora::update
