#pragma once
// The toolbox from start to end: reporting to the event log and the box,
// the ANSI codec, COM with its security before anything else, common
// controls, the drive sources (a configured drive set or the machine, whose
// blocking calls run on a worker), the main window and its loop.

#include <windows.h>

namespace velmora::win {

// The program's exit code: 0 after a normal end, 1 when the start-up ended it.
[[nodiscard]] int RunToolbox(HINSTANCE instance, int showCommand) noexcept;

}  // namespace velmora::win
