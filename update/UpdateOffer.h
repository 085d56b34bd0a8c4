#pragma once
// One download the update service offers.

#include <cstdint>
#include <string>

namespace velmora::update {

// Kind values; any other value is an internal error of the flow.
namespace OfferKind {
inline constexpr std::int32_t Application = 0;
inline constexpr std::int32_t Firmware = 1;
}  // namespace OfferKind

struct UpdateOffer {
    std::int32_t Kind = OfferKind::Application;
    std::string DriveModel;      // firmware: the drive's Model; application: empty
    std::string OfferedVersion;  // application: "app version"/"version"; firmware: "current"
    std::string FileName;        // FileNameFromUrl(Url)
    std::string Url;
    std::string Sha256{};   // the section's "sha256" value as given; empty: none
    bool Verified = false;  // from a reply whose signature held, with a well-formed digest

    friend bool operator==(const UpdateOffer&, const UpdateOffer&) = default;
};

}  // namespace velmora::update
