#pragma once
// The watch's history folder, %ProgramData%\VELMORA\History, as /INSTALL
// leaves it: the service's account may change what is in it, the users may
// only read it. /UNINSTALL keeps it: the history is the users' data.

#include <windows.h>

namespace velmora::win {

// Protected (nothing inherited from %ProgramData%, where users may create
// files), and passed on to every file and folder inside: full control for
// SYSTEM and the administrators, modify (read, write, delete; not the DACL
// or the owner) for LocalService, read and list for the users.
inline constexpr char kHistoryFolderSddl[] =
    "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;LS)(A;OICI;0x1200a9;;;BU)";

// Creates the product's folder when it is missing (with what it inherits)
// and the history folder with the DACL above; an existing history folder
// gets that DACL again, passed on to what it holds. 0 or the system error.
[[nodiscard]] DWORD PrepareHistoryFolder();

}  // namespace velmora::win
