#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/OfferListing.h"
#include "update/UpdateTexts.h"
#include "tests/fakes/FakeReplyTrust.h"
#include "tests/fakes/FakeUpdateTransport.h"

namespace velmora::cli {
using namespace velmora::update;
namespace {

const std::string kDigest(64, 'f');

// The application from a signed reply with its digest; the firmware without one.
const std::vector<UpdateOffer> kOffers = {
    {OfferKind::Application, "", "1.02", "tool_1.02.exe", "http://h/app/tool_1.02.exe", kDigest, true},
    {OfferKind::Firmware, "VELMORA R730 SSD", "Q5RT2B2", "q5.bin", "http://h/fw/q5.bin"},
};

struct Sources {
    fakes::FakeUpdateTransport transport;
    fakes::FakeUpdateHostSource hosts;
    fakes::FakeUpdateTrustSource trust;
    fakes::FakeUpdateCrypto crypto;
    OfferSources Get() { return {transport, hosts, trust, crypto}; }
};

TEST(OfferListing, ListsTheOffersOfTheExchangeAndMarksTheDrives) {
    Sources sources;
    fakes::FakeUpdateTransport& transport = sources.transport;
    sources.trust.Settings.RequireSigned = false;
    transport.Reply = fakes::SignReply(
        "[file version]\nversion=1.0\n\n[app version]\nversion=1.02\nurl=http://h/app/tool_1.02.exe\nsha256=" +
        kDigest + "\n\n[fw upgrade1]\napplicable=Q5RT2B1\nurl=http://h/fw/q5.bin\ncurrent=Q5RT2B2\n");
    DriveTable drives;
    drives.SetDisksCount(2);
    drives[0].FirmwareRevision = "Q5RT2B1";
    drives[0].Model = "VELMORA R730 SSD";
    drives[1].NewFirmwareVersion = "stale";
    const std::vector<UpdateOffer> offers = ListUpdateOffers(sources.Get(), {true, "proxy", 8080}, drives);
    EXPECT_EQ(offers, kOffers);
    EXPECT_EQ(drives[0].NewFirmwareVersion, "Q5RT2B2");
    EXPECT_EQ(drives[1].NewFirmwareVersion, "");
    EXPECT_EQ(transport.ProxyHost, "proxy");
    EXPECT_TRUE(transport.Downloads.empty());
}

TEST(OfferListing, PrintsOneTextLinePerOffer) {
    EXPECT_EQ(FormatOffersText({}), "");
    EXPECT_EQ(FormatOffersText(kOffers),
              "application: version 1.02, file tool_1.02.exe, http://h/app/tool_1.02.exe\n"
              "firmware for VELMORA R730 SSD: version Q5RT2B2, file q5.bin, http://h/fw/q5.bin (unverified)\n");
    // A reply cannot move the cursor, clear the screen or overwrite a line.
    const UpdateOffer hostile{OfferKind::Application, "", "1.02\x1b[2J", "a\rb.exe", "http://h/\x7f\t", "", true};
    EXPECT_EQ(FormatOffersText({hostile}), "application: version 1.02?[2J, file a?b.exe, http://h/??\n");
}

TEST(OfferListing, WritesJsonWithEscapesAndUtf8) {
    EXPECT_EQ(FormatOffersJson({}), "{\"offers\": []}\n");
    EXPECT_EQ(FormatOffersJson(kOffers),
              "{\"offers\": [{\"kind\": \"application\", \"drive_model\": \"\", \"offered_version\": \"1.02\", "
              "\"file_name\": \"tool_1.02.exe\", \"url\": \"http://h/app/tool_1.02.exe\", \"verified\": true}, "
              "{\"kind\": \"firmware\", \"drive_model\": \"VELMORA R730 SSD\", \"offered_version\": \"Q5RT2B2\", "
              "\"file_name\": \"q5.bin\", \"url\": \"http://h/fw/q5.bin\", \"verified\": false}]}\n");
    const UpdateOffer odd{OfferKind::Firmware, "A \"B\"\\C\x01\xe9", "v", "f", "u"};
    const std::string json = FormatOffersJson({odd});
    EXPECT_NE(json.find("\"drive_model\": \"A \\\"B\\\"\\\\C\\u0001\xc3\xa9\""), std::string::npos) << json;
}

}  // namespace
}  // namespace velmora::cli
