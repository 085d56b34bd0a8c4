#pragma once
// Writes a drive set in the file format the programs read, so a captured
// machine can be replayed. Values that cannot stand on one line lose their
// line breaks; everything else is written exactly.

#include <string>

#include "common/DriveSet.h"

namespace velmora::cli {

[[nodiscard]] std::string FormatDriveSet(const DriveSet& set, const std::string& headerComment);

}  // namespace velmora::cli
