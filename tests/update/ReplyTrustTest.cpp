// Which offers a reply makes, by its signature, the trusted keys and the
// RequireSignedUpdates policy, and what the drive table then shows.

#include "update/ReplyTrust.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/FakeReplyTrust.h"
#include "tests/fakes/RecordingEventSink.h"
#include "update/Base64.h"
#include "update/UpdateError.h"
#include "update/UpdateTexts.h"

namespace velmora::update {
namespace {

using fakes::kOtherKey;
using fakes::SignReply;

const std::string kDigest(64, 'a');

// The application and drive B's firmware with a digest, drive A's firmware
// without one, drive C's with a malformed one.
const std::string kReply =
    "[file version]\r\nversion=1.0\r\n\r\n"
    "[app version]\r\nversion=1.02\r\nurl=http://h/app.exe\r\nsha256=" +
    kDigest +
    "\r\n\r\n"
    "[fw upgrade1]\r\napplicable=A1\r\nurl=http://h/a.bin\r\ncurrent=A2\r\n\r\n"
    "[fw upgrade2]\r\napplicable=B1\r\nurl=http://h/b.bin\r\ncurrent=B2\r\nsha256=" +
    kDigest +
    "\r\n\r\n"
    "[fw upgrade3]\r\napplicable=C1\r\nurl=http://h/c.bin\r\ncurrent=C2\r\nsha256=" +
    kDigest.substr(1) + "g\r\n";

std::string Tampered(std::string reply) {
    reply[reply.find("current=B2") + 9] = '3';
    return reply;
}

std::string WithoutFirstLine(const std::string& reply, std::string_view prefix) {
    const std::size_t at = reply.find(prefix);
    return reply.substr(0, at) + reply.substr(reply.find("\r\n", at) + 2);
}

TEST(ReplyTrust, OffersAndNewFirmwareVersionsForEachSignatureAndPolicy) {
    using Offered = std::vector<std::pair<std::string, bool>>;  // url, verified
    const std::string trusted = EncodeBase64(kOtherKey);
    const Offered allVerified = {{"http://h/app.exe", true}, {"http://h/b.bin", true}};
    const Offered noneVerified = {{"http://h/app.exe", false}, {"http://h/a.bin", false}, {"http://h/b.bin", false}};
    const struct {
        const char* Name;
        std::string Reply;
        std::optional<std::string> TrustedKey;
        bool Require;
        bool Refused;
        Offered Offers;
        std::vector<std::string> NewVersions;  // drives A, B, C
        bool Logged;                           // the malformed key's entry
    } cases[] = {
        {"maker's signature, policy 1", SignReply(kReply), {}, true, false, allVerified, {"", "B2", ""}, false},
        {"maker's signature, policy 0",
         SignReply(kReply),
         {},
         false,
         false,
         {{"http://h/app.exe", true}, {"http://h/a.bin", false}, {"http://h/b.bin", true}},
         {"A2", "B2", ""},
         false},
        {"trusted key's signature, policy 1",
         SignReply(kReply, kOtherKey),
         trusted,
         true,
         false,
         allVerified,
         {"", "B2", ""},
         false},
        {"unsigned, policy 1", kReply, {}, true, true, {}, {"", "", ""}, false},
        {"unsigned, policy 0", kReply, {}, false, false, noneVerified, {"A2", "B2", ""}, false},
        {"a byte changed, policy 1", Tampered(SignReply(kReply)), {}, true, true, {}, {"", "", ""}, false},
        {"a byte changed, policy 0",
         Tampered(SignReply(kReply)),
         {},
         false,
         false,
         {{"http://h/app.exe", false}, {"http://h/a.bin", false}, {"http://h/b.bin", false}},
         {"A2", "B3", ""},
         false},
        {"signature line removed, policy 1",
         WithoutFirstLine(SignReply(kReply), "signature="),
         {},
         true,
         true,
         {},
         {"", "", ""},
         false},
        {"a key nobody trusts, policy 1", SignReply(kReply, kOtherKey), {}, true, true, {}, {"", "", ""}, false},
        {"malformed trusted key, policy 1",
         SignReply(kReply, kOtherKey),
         trusted.substr(4),
         true,
         true,
         {},
         {"", "", ""},
         true},
        {"malformed trusted key, maker's signature",
         SignReply(kReply),
         "not a key",
         true,
         false,
         allVerified,
         {"", "B2", ""},
         true},
    };
    for (const auto& c : cases) {
        fakes::RecordingEventSink events;
        fakes::FakeUpdateCrypto crypto;
        fakes::FakeUpdateTrustSource trust;
        trust.Settings = {c.TrustedKey, c.Require};
        DriveTable drives;
        drives.SetDisksCount(3);
        for (int i = 0; i < 3; ++i) drives[i].FirmwareRevision = std::string(1, static_cast<char>('A' + i)) + "1";
        Offered offered;
        bool refused = false;
        try {
            for (const UpdateOffer& offer : ReadTrustedOffers(c.Reply, drives, crypto, trust))
                offered.emplace_back(offer.Url, offer.Verified);
        } catch (const UpdateError& error) {
            refused = true;
            EXPECT_STREQ(error.what(), message::NotVerified) << c.Name;
        }
        EXPECT_EQ(refused, c.Refused) << c.Name;
        EXPECT_EQ(offered, c.Offers) << c.Name;
        EXPECT_EQ((std::vector<std::string>{drives[0].NewFirmwareVersion, drives[1].NewFirmwareVersion,
                                            drives[2].NewFirmwareVersion}),
                  c.NewVersions)
            << c.Name;
        EXPECT_EQ(events.Entries,
                  c.Logged ? std::vector<std::string>{kMalformedTrustedKeyEntry} : std::vector<std::string>{})
            << c.Name;
        EXPECT_EQ(events.Notifications, 0) << c.Name;
    }
}

TEST(ReplyTrust, ADroppedOfferLetsItsDriveTakeTheNextSectionThatListsIt) {
    const std::string reply =
        "[file version]\nversion=1.0\n\n"
        "[fw upgrade1]\napplicable=A1\nurl=http://h/a.bin\ncurrent=A2\n\n"
        "[fw upgrade2]\napplicable=A1\nurl=http://h/a3.bin\ncurrent=A3\nsha256=" +
        kDigest + "\n";
    fakes::FakeUpdateCrypto crypto;
    fakes::FakeUpdateTrustSource trust;
    DriveTable drives;
    drives.SetDisksCount(1);
    drives[0].FirmwareRevision = "A1";
    const std::vector<UpdateOffer> offers = ReadTrustedOffers(SignReply(reply), drives, crypto, trust);
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_EQ(offers[0].Url, "http://h/a3.bin");
    EXPECT_EQ(drives[0].NewFirmwareVersion, "A3");
}

TEST(ReplyTrust, ATrustedKeyIsBase64OfAnUncompressedPoint) {
    const std::string point = kOtherKey;
    EXPECT_EQ(ParseTrustedKey(EncodeBase64(point)), point);
    EXPECT_EQ(ParseTrustedKey(" \t" + EncodeBase64(point) + "\r\n"), point);
    EXPECT_EQ(ParseTrustedKey(EncodeBase64(update::kMakerPublicKey)), std::string(update::kMakerPublicKey));
    for (const std::string& text :
         {std::string(), EncodeBase64(point.substr(0, 33)), EncodeBase64("\x02" + point.substr(1)),
          EncodeBase64(point + "x"), EncodeBase64(point).substr(1), std::string("not a key")})
        EXPECT_EQ(ParseTrustedKey(text), std::nullopt) << text;
}

}  // namespace
}  // namespace velmora::update
