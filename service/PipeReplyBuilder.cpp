#include "service/PipeReplyBuilder.h"

#include <string>

#include "common/AnsiText.h"
#include "service/FailurePredict.h"
#include "service/NvmeHealthLogReader.h"

namespace velmora {

PipeReplyBuilder::PipeReplyBuilder(WmiSource& wmi, DeviceIo& devices) : wmi_(&wmi), devices_(&devices) {}

ReplyBytes PipeReplyBuilder::Build(std::span<const std::uint8_t, PIPE_REQUEST_SIZE> request) {
    const PipeRequest decoded = PipeRequest::Decode(request);
    PipeReply reply;  // every field zero

    if (decoded.InterfaceType == kInterfaceNvme) {
        if (ReadNvmeHealthLog(*devices_, decoded.DriveNumber, reply) == 0) reply.DataValid = 1;
    } else {
        const std::u16string instance = AnsiToUtf16(decoded.InstanceName);
        // Independent queries: either flag may be set without the other.
        if (QueryFailurePredictData(*wmi_, instance, reply) == 0) reply.DataValid = 1;
        if (QueryFailurePredictStatus(*wmi_, instance, reply) == 0) reply.StatusValid = 1;
    }
    return SealReply(reply);
}

}  // namespace velmora
