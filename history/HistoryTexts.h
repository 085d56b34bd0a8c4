#pragma once
// Texts about the history that the console and the toolbox both show.

namespace velmora::history {

// There is no history database yet, or none for the drive asked about.
inline constexpr char kNoHistoryText[] = "No history yet: is the SMART_VELMORA_WATCH service running?";

}  // namespace velmora::history
