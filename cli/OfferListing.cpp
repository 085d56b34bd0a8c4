#include "cli/OfferListing.h"

#include <new>

#include "common/AnsiText.h"
#include "common/JsonText.h"
#include "update/UpdateError.h"
#include "update/UpdateExchange.h"
#include "update/UpdateTexts.h"

namespace velmora::cli {

namespace {

namespace OfferKind = update::OfferKind;
using update::UpdateOffer;

const char* KindName(std::int32_t kind) {
    return kind == OfferKind::Application ? "application" : kind == OfferKind::Firmware ? "firmware" : "unknown";
}

void AppendJsonString(std::string& out, const std::string& ansi) { out += JsonString(AnsiToUtf8(ansi)); }

// A reply's text as a terminal may show it: a control character (an escape
// sequence, a carriage return that overwrites the line) becomes '?'.
std::string TerminalSafe(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = '?';
    }
    return text;
}

}  // namespace

std::vector<UpdateOffer> ListUpdateOffers(const OfferSources& sources, const update::ProxySettings& proxy,
                                          DriveTable& drives) {
    try {
        const std::string body = update::FetchUpdateReply(sources.Transport, sources.Hosts, proxy, drives);
        return update::ReadTrustedOffers(body, drives, sources.Crypto, sources.Trust);
    } catch (const std::bad_alloc&) {
        throw update::UpdateError(kOutOfMemoryText);
    }
}

std::string FormatOffersText(const std::vector<UpdateOffer>& offers) {
    std::string text;
    for (const UpdateOffer& offer : offers) {
        std::string line = KindName(offer.Kind);
        if (offer.Kind == OfferKind::Firmware) line += " for " + offer.DriveModel;
        line += ": version " + offer.OfferedVersion;
        line += ", file " + (offer.FileName.empty() ? std::string("(none)") : offer.FileName);
        line += ", " + offer.Url;
        if (!offer.Verified) line += " (unverified)";
        text += TerminalSafe(std::move(line)) + '\n';
    }
    return text;
}

std::string FormatOffersJson(const std::vector<UpdateOffer>& offers) {
    std::string out = "{\"offers\": [";
    for (std::size_t i = 0; i < offers.size(); ++i) {
        const UpdateOffer& offer = offers[i];
        if (i > 0) out += ", ";
        out += "{\"kind\": ";
        AppendJsonString(out, KindName(offer.Kind));
        out += ", \"drive_model\": ";
        AppendJsonString(out, offer.DriveModel);
        out += ", \"offered_version\": ";
        AppendJsonString(out, offer.OfferedVersion);
        out += ", \"file_name\": ";
        AppendJsonString(out, offer.FileName);
        out += ", \"url\": ";
        AppendJsonString(out, offer.Url);
        out += offer.Verified ? ", \"verified\": true}" : ", \"verified\": false}";
    }
    out += "]}\n";
    return out;
}

}  // namespace velmora::cli
