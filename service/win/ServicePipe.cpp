#include "service/win/ServicePipe.h"

#include "common/PipeRecords.h"

namespace velmora::win {

FileHandle CreateServicePipe(PipeSecurity& security) noexcept {
    return FileHandle(::CreateNamedPipeA(kPipeName, kServicePipeOpenMode, kServicePipeMode, 1, PIPE_REPLY_SIZE,
                                         PIPE_REQUEST_SIZE, kPipeDefaultTimeoutMs, security.Attributes()));
}

}  // namespace velmora::win
