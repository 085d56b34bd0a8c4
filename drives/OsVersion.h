#pragma once
// The programs run only on Windows versions it knows: the start-up check
// that the window and the console share, and the version prefix it records.

#include <string>
#include <string_view>

#include "common/WmiSource.h"

namespace velmora {

inline constexpr char kUnsupportedOsText[] = "Unsupported operating system!";

// First three characters of the Windows version, recorded at start-up; the
// enumeration compares it with "6.1".
extern std::string OSVersionPrefix;

enum class OsVersionOutcome {
    Accepted,
    QueryFailed,        // the Win32_OperatingSystem query failed; reported (Umain, line 57)
    VersionUnreadable,  // "Version" of row 0 could not be read; reported (Umain, line 63)
    Unsupported,        // read, but not one of the accepted prefixes; not reported
};

struct OsVersionCheck {
    OsVersionOutcome Outcome = OsVersionOutcome::QueryFailed;
    std::string Prefix;  // set once the version was read
};

// "6.1", "6.2", "6.3", "5.1" and "10.", compared exactly.
[[nodiscard]] bool IsSupportedOsPrefix(std::string_view prefix);

// The NVMe health log is read through a storage query that Windows offers
// from Windows 10 on: on 7, 8 and 8.1 an NVMe drive's values stay empty.
inline constexpr char kNvmeNeedsWindows10Text[] = "NVMe values need Windows 10 or later";

// True for an accepted prefix older than "10.".
[[nodiscard]] bool OsLacksNvmeHealthLog(std::string_view prefix);

// Reads "Version" of Win32_OperatingSystem in root\cimv2 and keeps its first
// three characters. Stores them in OSVersionPrefix whenever the version was
// read, accepted or not.
[[nodiscard]] OsVersionCheck CheckOperatingSystem(WmiSource& wmi);

}  // namespace velmora
