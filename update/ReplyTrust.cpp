#include "update/ReplyTrust.h"

#include "common/ErrorReport.h"
#include "update/Base64.h"
#include "update/ReplySignature.h"
#include "update/UpdateError.h"
#include "update/UpdatePolicy.h"
#include "update/UpdateReplyParser.h"
#include "update/UpdateTexts.h"

namespace velmora::update {

namespace {

constexpr std::size_t kPointBytes = 65;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// The keys a signature may hold for: the maker's, and the administrator's
// when it names one. A value that names none is written to the event log at
// every check (an administrator looking for why the mirror's replies are
// refused finds it there); it does not fail the check.
std::vector<std::string> TrustedKeys(const UpdateTrustSettings& settings) {
    std::vector<std::string> keys{std::string(kMakerPublicKey)};
    if (!settings.TrustedKey) return keys;
    if (std::optional<std::string> point = ParseTrustedKey(*settings.TrustedKey)) {
        keys.push_back(std::move(*point));
    } else {
        WriteEventLog(kMalformedTrustedKeyEntry);
    }
    return keys;
}

bool SignatureHolds(const ReplySignature& split, const std::vector<std::string>& keys, UpdateCrypto& crypto) {
    if (!split.Der) return false;
    for (const std::string& key : keys) {
        if (crypto.VerifySignature(split.SignedBody, *split.Der, key)) return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> ParseTrustedKey(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    std::optional<std::string> point = DecodeBase64(text);
    if (!point || point->size() != kPointBytes || (*point)[0] != '\x04') return std::nullopt;
    return point;
}

std::vector<UpdateOffer> ReadTrustedOffers(std::string_view body, DriveTable& drives, UpdateCrypto& crypto,
                                           UpdateTrustSource& trust) {
    const UpdateTrustSettings settings = trust.ReadUpdateTrust();
    const std::vector<std::string> keys = TrustedKeys(settings);
    const ReplySignature split = SplitReplySignature(body);
    const ReplyPolicy policy{SignatureHolds(split, keys, crypto), settings.RequireSigned};
    if (policy.RefusesReply()) throw UpdateError(message::NotVerified);

    std::vector<UpdateOffer> offers;
    ParseUpdateReply(split.SignedBody, drives, offers, [&policy](UpdateOffer& offer) { return policy.Admit(offer); });
    return offers;
}

}  // namespace velmora::update
