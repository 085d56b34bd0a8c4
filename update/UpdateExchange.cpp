#include "update/UpdateExchange.h"

#include <exception>
#include <new>
#include <optional>

#include "update/UpdateError.h"
#include "update/UpdateTexts.h"

namespace velmora::update {

std::string FetchUpdateReply(UpdateTransport& transport, UpdateHostSource& hosts, const ProxySettings& proxy,
                             DriveTable& drives) {
    // An enabled proxy with an empty address still means direct.
    if (proxy.Enabled) {
        transport.SetProxy(proxy.Address, proxy.Port);
    } else {
        transport.SetProxy({}, 0);
    }
    for (int i = 0; i < drives.DiskCount(); ++i) drives[i].NewFirmwareVersion.clear();

    const std::optional<std::string> baseUrl = UpdateBaseUrl(hosts.ReadUpdateHost());
    if (!baseUrl) throw UpdateError(message::NotAvailable);
    try {
        return transport.Fetch(UpdateRequestUrl(*baseUrl, drives));
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        throw UpdateError(message::NotAvailable);
    }
}

}  // namespace velmora::update
