// The update service's reply: the indexed line lookup must answer exactly
// as the plain split and walk its header describes, and parsing any reply either
// refuses it with the user's message or yields well-formed offers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drives/DriveTable.h"
#include "update/FileNameFromUrl.h"
#include "update/UpdateReplyLines.h"
#include "update/UpdateError.h"
#include "update/UpdateReplyParser.h"
#include "update/UpdateTexts.h"
#include "tests/update/ReferenceReplyLookup.h"
#include "tests/fuzz/FuzzCheck.h"

namespace velmora::update {
namespace {

constexpr std::size_t kMaxNames = 12;

void AddName(std::vector<std::string>& names, std::string_view name) {
    if (names.size() < kMaxNames) names.emplace_back(name);
}

void CheckLookup(std::string_view body) {
    const UpdateReplyLines indexed(body);
    const std::vector<std::string_view> plain = test_support::ReferenceLines(body);

    // Names the reply itself offers, keys with '=' in them included, and
    // the ones the parser asks for.
    std::vector<std::string> sections{kFileVersionSection, "fw upgrade1"};
    std::vector<std::string> keys{kVersionKey, kUrlKey, ""};
    for (const std::string_view line : plain) {
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            AddName(sections, line.substr(1, line.size() - 2));
        }
        for (std::size_t eq = line.find('='); eq != std::string_view::npos; eq = line.find('=', eq + 1)) {
            AddName(keys, line.substr(0, eq));
        }
    }
    for (const std::string& section : sections) {
        for (const std::string& key : keys) {
            FUZZ_CHECK(indexed.Value(section, key) == test_support::ReferenceLookup(plain, section, key));
            FUZZ_CHECK(ReadReplyValue(indexed, section, key) == indexed.Value(section, key));
        }
    }
}

void CheckParse(std::string_view body) {
    static const char* const kRevisions[] = {"Q5RT2B1", "N2RT1A05", "", "Q5RT2B1"};
    DriveTable drives;
    drives.SetDisksCount(4);
    for (int i = 0; i < 4; ++i) {
        drives[i].Model = "Drive " + std::to_string(i);
        drives[i].FirmwareRevision = kRevisions[i];
    }
    std::vector<UpdateOffer> offers;
    try {
        ParseUpdateReply(body, drives, offers);
    } catch (const UpdateError& error) {
        FUZZ_CHECK(std::string_view(error.what()) == message::UpdateManually);
        FUZZ_CHECK(offers.empty());
        return;
    }
    for (std::size_t i = 0; i < offers.size(); ++i) {
        const UpdateOffer& offer = offers[i];
        FUZZ_CHECK(!offer.Url.empty());
        FUZZ_CHECK(offer.FileName == FileNameFromUrl(offer.Url));
        if (offer.Kind == OfferKind::Application) {
            FUZZ_CHECK(i == 0);
            FUZZ_CHECK(offer.OfferedVersion != AppVersion);
            FUZZ_CHECK(offer.DriveModel.empty());
        } else {
            FUZZ_CHECK(offer.Kind == OfferKind::Firmware);
            FUZZ_CHECK(offer.DriveModel.substr(0, 6) == "Drive ");
        }
    }
}

}  // namespace
}  // namespace velmora::update

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    velmora::update::CheckLookup(body);
    velmora::update::CheckParse(body);
    return 0;
}
