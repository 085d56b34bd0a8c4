#pragma once
// The drive list of the update request: one "FirmwareRevision;Model\n" line
// per drive in table order, base64-encoded with the URL-safe substitutions
// '+' -> '.', '/' -> '_', '=' -> '-'. Texts go byte for byte, unescaped.

#include <string>

#include "drives/DriveTable.h"

namespace velmora::update {

[[nodiscard]] std::string DriveListText(const DriveTable& drives);
[[nodiscard]] std::string EncodeDriveList(const DriveTable& drives);

// The encoding applied to any text (the drive list is one such text).
[[nodiscard]] std::string EncodeDriveListText(const std::string& text);

}  // namespace velmora::update
