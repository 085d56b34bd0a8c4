#pragma once
// The update checker's values under the product's key (common/RegistryNames.h)
// with the types each accepts, and the texts of a failed access. The settings
// live under HKEY_CURRENT_USER; UpdateHost (machine-wide) under
// HKEY_LOCAL_MACHINE.

#include "common/RegistryNames.h"

namespace velmora::update {

// A settings value of another type than its own makes the read fail with
// "Invalid data type for '<name>'"; an unreadable UpdateHost makes the check
// fail.
namespace setting {
inline constexpr char UpdatesAutoCheck[] = "UpdatesAutoCheck";    // REG_DWORD, default 0
inline constexpr char UpdatesDontAsk[] = "UpdatesDontAsk";        // REG_DWORD, default 0
inline constexpr char HTTP_Proxy[] = "HTTP_Proxy";                // REG_DWORD, default 0
inline constexpr char HTTP_ProxyAddress[] = "HTTP_ProxyAddress";  // REG_SZ only, default empty, never created at load
inline constexpr char HTTP_ProxyPort[] = "HTTP_ProxyPort";        // REG_DWORD (signed), default 0
inline constexpr char UpdateHost[] = "UpdateHost";                // REG_SZ only, HKEY_LOCAL_MACHINE, optional
// HKEY_LOCAL_MACHINE: one more key whose signature on a reply holds
// (base64 of the uncompressed P-256 point), and whether a reply must carry
// a signature that holds (default 1; update/UpdatePolicy.h).
inline constexpr char UpdateTrustedKey[] = "UpdateTrustedKey";          // REG_SZ only, optional
inline constexpr char RequireSignedUpdates[] = "RequireSignedUpdates";  // REG_DWORD, default 1
}  // namespace setting

// %s: the value's name.
inline constexpr char kInvalidDataTypeFormat[] = "Invalid data type for '%s'";
inline constexpr char kFailedToSetDataFormat[] = "Failed to set data for '%s'";
// Our own text: the key could not be opened or created. %s: the key's path.
inline constexpr char kCannotOpenKeyFormat[] = "Failed to open registry key '%s'";

}  // namespace velmora::update
