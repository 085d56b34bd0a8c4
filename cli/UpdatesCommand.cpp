#include "cli/UpdatesCommand.h"

#include "app/DriveEnumeration.h"
#include "app/OsVersion.h"
#include "cli/StatusCommand.h"
#include "app/update/OfferListing.h"
#include "app/update/UpdateError.h"
#include "cli/CommandLine.h"

namespace velmora::cli {

ConsoleOutput RunUpdates(WmiSource& wmi, DeviceIo& devices, update::UpdateTransport& transport,
                         update::UpdateHostSource& hosts, const update::ProxySettings& proxy, bool json) {
    if (auto refused = RefuseUnsupportedOs(wmi)) return *refused;
    ConsoleOutput output;
    // The window checks for updates with whatever drives it found, none included.
    DriveTable table;
    (void)EnumerateDrives(table, wmi, devices, OSVersionPrefix);
    try {
        const std::vector<update::UpdateOffer> offers = update::ListUpdateOffers(transport, hosts, proxy, table);
        output.Out = json ? update::FormatOffersJson(offers) : update::FormatOffersText(offers);
    } catch (const update::UpdateError& error) {
        output.Err = std::string(error.what()) + "\n";
        output.ExitStatus = exit_status::Failure;
    }
    return output;
}

}  // namespace velmora::cli
