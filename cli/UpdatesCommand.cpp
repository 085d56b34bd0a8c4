#include "cli/UpdatesCommand.h"

#include "drives/DriveEnumeration.h"
#include "drives/OsVersion.h"
#include "cli/StatusCommand.h"
#include "cli/OfferListing.h"
#include "update/UpdateError.h"
#include "cli/CommandLine.h"

namespace velmora::cli {

ConsoleOutput RunUpdates(WmiSource& wmi, DeviceIo& devices, const OfferSources& sources,
                         const update::ProxySettings& proxy, bool json) {
    if (auto refused = RefuseUnsupportedOs(wmi)) return *refused;
    ConsoleOutput output;
    // The window checks for updates with whatever drives it found, none included.
    DriveTable table;
    (void)EnumerateDrives(table, wmi, devices, OSVersionPrefix);
    try {
        const std::vector<update::UpdateOffer> offers = ListUpdateOffers(sources, proxy, table);
        output.Out = json ? FormatOffersJson(offers) : FormatOffersText(offers);
    } catch (const update::UpdateError& error) {
        output.Err = std::string(error.what()) + "\n";
        output.ExitStatus = exit_status::Failure;
    }
    return output;
}

}  // namespace velmora::cli
