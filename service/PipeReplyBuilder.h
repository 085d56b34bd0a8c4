#pragma once
// Turns one 520-byte request into one 4117-byte reply, given where WMI rows
// and devices come from. Failures of the collectors are reported where they
// happen and leave their fields zero; the reply is always sealed so that its
// bytes sum to zero. No request content makes it raise; only a failed
// allocation does (std::runtime_error with kOutOfMemoryText from the WMI table).

#include <cstdint>
#include <span>

#include "common/DeviceIo.h"
#include "common/PipeRecords.h"
#include "common/WmiSource.h"

namespace velmora {

class PipeReplyBuilder {
public:
    // Keeps references to both; they must outlive the builder.
    PipeReplyBuilder(WmiSource& wmi, DeviceIo& devices);

    // NVMe requests (InterfaceType 2) read the drive's health log; every other
    // interface type asks WMI for the vendor data and then the status.
    [[nodiscard]] ReplyBytes Build(std::span<const std::uint8_t, PIPE_REQUEST_SIZE> request);

private:
    WmiSource* wmi_;
    DeviceIo* devices_;
};

}  // namespace velmora
