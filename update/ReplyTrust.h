#pragma once
// Whether an update reply can be trusted, and what it may then offer. The
// maker signs each reply (update/ReplySignature.h) with its ECDSA P-256 key,
// whose public point is built in; an administrator may trust one more key
// for an organisation's own mirror. A reply's signature holds when it holds
// for either key; the RequireSignedUpdates policy (update/UpdatePolicy.h)
// then decides what is offered. Both settings are read again at every check.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drives/DriveTable.h"
#include "update/UpdateCrypto.h"
#include "update/UpdateOffer.h"

namespace velmora::update {

struct UpdateTrustSettings {
    std::optional<std::string> TrustedKey;  // UpdateTrustedKey's text; nothing when absent or unreadable
    bool RequireSigned = true;              // RequireSignedUpdates; only 0 turns it off
};

// Windows: HKEY_LOCAL_MACHINE, the product's key, UpdateTrustedKey (REG_SZ)
// and RequireSignedUpdates (REG_DWORD).
class UpdateTrustSource {
public:
    virtual ~UpdateTrustSource() = default;
    [[nodiscard]] virtual UpdateTrustSettings ReadUpdateTrust() = 0;
};

// The maker's public key: the uncompressed P-256 point (0x04, X, Y).
inline constexpr std::string_view kMakerPublicKey{
    "\x04\x1b\x8e\xa7\xd5\x43\x08\x49\xc7\xd2\x54\x84\x81\x5e\x88\x81"
    "\x54\x95\xf2\x7a\xee\x78\xcb\x90\x32\x4f\x04\x4c\xa6\x8e\xf6\xbf"
    "\x3f\xc7\xdf\xb8\x47\x70\xac\x34\xa5\xc8\x86\x0f\xac\x05\xc6\x9a"
    "\x8d\xcd\x03\x22\xc4\xeb\x0b\x75\xcd\x15\xdb\x0a\x58\x76\x94\xe0"
    "\xb4",
    65};

// The event-log line of an UpdateTrustedKey that names no key; the check
// goes on with the maker's key alone.
inline constexpr char kMalformedTrustedKeyEntry[] =
    "UpdateTrustedKey is not base64 of an uncompressed P-256 public key; only the built-in key is trusted";

// The point of an UpdateTrustedKey text: canonical base64 (blanks around it
// ignored) of 65 bytes starting with 0x04; nothing otherwise.
[[nodiscard]] std::optional<std::string> ParseTrustedKey(std::string_view text);

// The offers of a reply fetched by FetchUpdateReply (update/UpdateExchange.h),
// read from the signed body only, each marked Verified or not, and the
// drives' NewFirmwareVersion of the offers made. Throws
// UpdateError(message::NotVerified) when the policy refuses the reply: the
// reply is not read at all then. Otherwise throws as ParseUpdateReply does.
[[nodiscard]] std::vector<UpdateOffer> ReadTrustedOffers(std::string_view body, DriveTable& drives,
                                                         UpdateCrypto& crypto, UpdateTrustSource& trust);

}  // namespace velmora::update
