#pragma once
// Fixed texts and numbers of the update exchange and the update flow: the
// version we report, the reply format we accept, the service path, and every
// message the user sees during a check.

#include "ProductVersion.h"
#include "common/ProgramTexts.h"  // kOutOfMemoryText, for a check that runs out of memory

namespace velmora::update {

// The project's version (CMake's project() in the top-level CMakeLists.txt).
inline constexpr char AppVersion[] = VELMORA_VERSION_TEXT;
inline constexpr char ReplyFormatVersion[] = "1.0";
inline constexpr int MaxFirmwareSections = 256;

// The maker's own service; a machine-wide "UpdateHost" value may name another.
inline constexpr char kBuiltInUpdateHost[] = "update.velmora.com";
inline constexpr char kUpdateScheme[] = "http://";
inline constexpr char kUpdatePath[] = "/daveruri/";
inline constexpr char kUpdateQuery[] = "daveruri.php?disk=";

// Reply sections and keys.
inline constexpr char kFileVersionSection[] = "file version";
inline constexpr char kAppVersionSection[] = "app version";
inline constexpr char kFirmwareSectionPrefix[] = "fw upgrade";
inline constexpr char kVersionKey[] = "version";
inline constexpr char kUrlKey[] = "url";
inline constexpr char kSha256Key[] = "sha256";  // the url's SHA-256, 64 hex digits
inline constexpr char kApplicableKey[] = "applicable";
inline constexpr char kCurrentKey[] = "current";

namespace message {
inline constexpr char NotAvailable[] = "Checking for updates is not available at this moment.\nPlease try again later.";
inline constexpr char UpdateManually[] = "Please update your application manually by downloading it from VELMORA website.";
// A reply whose signature does not hold, under RequireSignedUpdates.
inline constexpr char NotVerified[] =
    "The update information could not be verified. Please update your application manually by downloading it from "
    "VELMORA website.";
inline constexpr char Busy[] = "Please wait, downloading in progress.";
inline constexpr char NoUpdates[] = "There are no new updates available at this time.\nPlease try again later.";
inline constexpr char AppQuestion[] = "New version of VELMORA SSD Toolbox is available.\nDo you want to download it?";
// %s: the drive's model.
inline constexpr char FirmwareQuestionFormat[] =
    "New version of SSD %s firmware is available.\nDo you want to download it?";
inline constexpr char FirmwareDisclaimer[] =
    "The firmware update process is done entirely at the user's risk. We strongly recommend to backup or make "
    "copy of important files before performing firmware update. If the firmware process is interrupted for any "
    "reason or wrong firmware is applied, data may be lost and SSD may be unusable. VELMORA will not be "
    "responsible for data loss or damaged drives.\nContinue?";
inline constexpr char AppDownloaded[] =
    "New version of VELMORA SSD Toolbox has been downloaded.\nYou can open the file to install it manually.";
inline constexpr char FirmwareDownloaded[] =
    "New version of SSD firmware has been downloaded.\nYou can open the file to install it manually.";
inline constexpr char InternalError[] = "Internal error! (GetUpdates)";
// The downloaded file's SHA-256 is not the one the offer named.
inline constexpr char DownloadDamaged[] =
    "The downloaded file is damaged or was changed on the way. It has been deleted.";
// %d: percent, %c: '%'.
inline constexpr char DownloadProgressFormat[] = " (downloading %d%c)";
}  // namespace message

}  // namespace velmora::update
