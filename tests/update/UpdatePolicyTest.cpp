#include "update/UpdatePolicy.h"

#include <gtest/gtest.h>

namespace velmora::update {
namespace {

constexpr char kDigest[] = "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08";

UpdateOffer Offer(const char* url, std::string sha256) {
    UpdateOffer offer;
    offer.Url = url;
    offer.Sha256 = std::move(sha256);
    return offer;
}

TEST(UpdatePolicy, WhatIsOfferedAndVerifiedForEachSignatureAndPolicy) {
    // One offer with a digest, one without, one with a digest a hex digit short.
    const std::vector<UpdateOffer> offers = {Offer("a", kDigest), Offer("b", ""), Offer("c", std::string(kDigest, 63))};
    const struct {
        const char* Name;
        bool Holds;
        bool Require;
        bool Unverifiable;
        std::vector<std::pair<std::string, bool>> Offered;  // url, verified
    } cases[] = {
        {"signed, policy on", true, true, false, {{"a", true}}},
        {"unsigned or forged, policy on", false, true, true, {}},
        {"signed, policy off", true, false, false, {{"a", true}, {"b", false}}},
        {"unsigned, policy off", false, false, false, {{"a", false}, {"b", false}}},
    };
    for (const auto& c : cases) {
        const PolicyOutcome outcome = ApplyUpdatePolicy(offers, c.Holds, c.Require);
        EXPECT_EQ(outcome.Unverifiable, c.Unverifiable) << c.Name;
        std::vector<std::pair<std::string, bool>> offered;
        for (const UpdateOffer& offer : outcome.Offers) offered.emplace_back(offer.Url, offer.Verified);
        EXPECT_EQ(offered, c.Offered) << c.Name;
    }
}

TEST(UpdatePolicy, ADigestIsSixtyFourHexDigits) {
    EXPECT_TRUE(IsSha256Hex(kDigest));
    EXPECT_TRUE(IsSha256Hex(std::string(64, 'a')));
    for (const std::string& text :
         {std::string(63, 'a'), std::string(65, 'a'), std::string(63, 'a') + "g", std::string(63, 'a') + " "})
        EXPECT_FALSE(IsSha256Hex(text)) << text;
}

}  // namespace
}  // namespace velmora::update
