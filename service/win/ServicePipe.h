#pragma once
// The service's pipe endpoint: one instance of "\\.\pipe\smart_velmora",
// overlapped, byte mode, local clients only, first instance only (so no
// other program can have created it before us), with the pipe's DACL. The
// service and the benchmark's floor both create it here, so that they serve
// exactly the same endpoint.

#include <windows.h>

#include "common/win/UniqueHandle.h"
#include "service/win/PipeSecurity.h"

namespace velmora::win {

inline constexpr DWORD kServicePipeOpenMode =
    PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | WRITE_OWNER | FILE_FLAG_FIRST_PIPE_INSTANCE;
inline constexpr DWORD kServicePipeMode = PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;

// Invalid on failure (the thread's last error tells why); security must be
// Valid().
[[nodiscard]] FileHandle CreateServicePipe(PipeSecurity& security) noexcept;

}  // namespace velmora::win
