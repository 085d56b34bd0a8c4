#include "update/FileNameFromUrl.h"

namespace velmora::update {

std::string FileNameFromUrl(std::string_view url) {
    const std::size_t slash = url.find_last_of("/\\");
    if (slash == std::string_view::npos || slash + 1 == url.size()) return {};
    return std::string(url.substr(slash + 1));
}

}  // namespace velmora::update
