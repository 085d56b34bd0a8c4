#pragma once
// The product's two services as the Service Control Manager knows them, and
// the control code that asks the health watch for a sample now (what the
// console's "watch --now" sends).

namespace velmora {

inline constexpr char kDataServiceName[] = "SMART_VELMORA";
inline constexpr char kWatchServiceName[] = "SMART_VELMORA_WATCH";
inline constexpr char kWatchServiceDisplayName[] = "VELMORA SSD health watch";

// A service-defined control code (Windows leaves 128..255 to the service).
inline constexpr unsigned long kWatchSampleNowControl = 128;

}  // namespace velmora
