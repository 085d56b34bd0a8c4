#pragma once
// The request half of a check, shared by the toolbox's check and the
// console's listing: use the proxy settings, clear every drive's
// NewFirmwareVersion, build the URL for the configured host and fetch the
// reply. Any failure, a malformed host setting included, throws
// UpdateError(message::NotAvailable); std::bad_alloc passes through.

#include <string>

#include "drives/DriveTable.h"
#include "update/ProxySettings.h"
#include "update/UpdateHost.h"
#include "update/UpdateTransport.h"

namespace velmora::update {

[[nodiscard]] std::string FetchUpdateReply(UpdateTransport& transport, UpdateHostSource& hosts,
                                           const ProxySettings& proxy, DriveTable& drives);

}  // namespace velmora::update
