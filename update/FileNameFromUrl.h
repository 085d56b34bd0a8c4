#pragma once
// The proposed file name of a download: everything after the last '/' or
// '\', or empty when there is none or it ends the URL.

#include <string>
#include <string_view>

namespace velmora::update {

[[nodiscard]] std::string FileNameFromUrl(std::string_view url);

}  // namespace velmora::update
