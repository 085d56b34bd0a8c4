#include "update/UpdateReplyParser.h"

#include <string>

#include "update/FileNameFromUrl.h"
#include "update/UpdateReplyLines.h"
#include "update/SemicolonList.h"
#include "update/UpdateError.h"
#include "update/UpdateTexts.h"

namespace velmora::update {

void ParseUpdateReply(std::string_view body, DriveTable& drives, std::vector<UpdateOffer>& offers,
                      const OfferFilter& admit) {
    const UpdateReplyLines lines(body);
    if (ReadReplyValue(lines, kFileVersionSection, kVersionKey) != ReplyFormatVersion)
        throw UpdateError(message::UpdateManually);

    const std::string appVersion = ReadReplyValue(lines, kAppVersionSection, kVersionKey);
    if (appVersion != AppVersion) {
        std::string url = ReadReplyValue(lines, kAppVersionSection, kUrlKey);
        if (!url.empty()) {
            std::string fileName = FileNameFromUrl(url);
            UpdateOffer offer{OfferKind::Application, {}, appVersion, std::move(fileName), std::move(url),
                              ReadReplyValue(lines, kAppVersionSection, kSha256Key)};
            if (!admit || admit(offer)) offers.push_back(std::move(offer));
        }
    }

    // The section names and their "applicable" values are the same for every
    // drive; look them up once.
    std::vector<std::string> sections;
    std::vector<std::string> applicable;
    for (int n = 1; n <= MaxFirmwareSections; ++n) {
        std::string section = kFirmwareSectionPrefix + std::to_string(n);
        std::string list = ReadReplyValue(lines, section, kApplicableKey);
        if (list.empty()) break;  // numbering must be contiguous from 1
        sections.push_back(std::move(section));
        applicable.push_back(std::move(list));
    }

    for (int i = 0; i < drives.DiskCount(); ++i) {
        DriveInfo& drive = drives[i];
        for (std::size_t s = 0; s < sections.size() && drive.NewFirmwareVersion.empty(); ++s) {
            if (!SemicolonListContains(applicable[s], drive.FirmwareRevision)) continue;
            std::string url = ReadReplyValue(lines, sections[s], kUrlKey);
            if (url.empty()) continue;
            std::string fileName = FileNameFromUrl(url);
            UpdateOffer offer{OfferKind::Firmware, drive.Model, ReadReplyValue(lines, sections[s], kCurrentKey),
                              std::move(fileName), std::move(url), ReadReplyValue(lines, sections[s], kSha256Key)};
            // The window shows NewFirmwareVersion as on offer: only for an offer made.
            if (admit && !admit(offer)) continue;
            drive.NewFirmwareVersion = offer.OfferedVersion;
            offers.push_back(std::move(offer));
        }
    }
}

}  // namespace velmora::update
