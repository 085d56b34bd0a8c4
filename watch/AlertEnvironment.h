#pragma once
// What the administrator's alert command is given and what it leaves: the
// event in environment variables added to the watch's own environment, and
// the event 1008 that says a command could not start, failed or was ended.
// Texts are UTF-8, as the event holds them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "watch/WatchEvent.h"

namespace velmora::watch {

inline constexpr char kEventIdVariable[] = "VELMORA_EVENT_ID";
inline constexpr char kEventTextVariable[] = "VELMORA_EVENT_TEXT";
inline constexpr char kDriveModelVariable[] = "VELMORA_DRIVE_MODEL";
inline constexpr char kDriveSerialVariable[] = "VELMORA_DRIVE_SERIAL";
inline constexpr char kDriveStatusVariable[] = "VELMORA_DRIVE_STATUS";
inline constexpr char kLifeMeterVariable[] = "VELMORA_LIFE_METER";

struct EnvironmentVariable {
    std::string Name;
    std::string Value;
};

// The six variables in the order above: the event's number, its sentence,
// the drive's model and serial number (empty without a drive), its status,
// and its life meter in percent (empty when unknown). NUL characters are
// left out of the values, since a block could not hold them.
[[nodiscard]] std::vector<EnvironmentVariable> AlertVariables(const WatchEvent& event);

// An environment block ("Name=Value\0...\0\0") of the inherited block's
// entries with the variables set: an inherited entry of the same name in
// any letter case gives way, and the entries are ordered by name without
// regard to letter case, as Windows keeps a block. Inherited entries whose
// name starts with '=' (the current folder of each drive) are kept.
[[nodiscard]] std::string EnvironmentBlock(std::string_view inherited,
                                           const std::vector<EnvironmentVariable>& variables);

// What happened to a command, as event 1008 says it.
[[nodiscard]] std::string AlertNotStartedText(std::string_view reason);  // "could not start: <reason>"
[[nodiscard]] std::string AlertExitCodeText(std::uint32_t exitCode);     // "ended with exit code <n>"
[[nodiscard]] std::string AlertTimedOutText(std::uint32_t limitMs);      // "did not end within <limit> ..."


}  // namespace velmora::watch
