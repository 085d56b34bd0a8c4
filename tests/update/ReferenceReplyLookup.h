#pragma once
// The reply lookup walked exactly as described, line by line: an outer walk
// for the section header, an inner walk over its block, resuming after the
// line that stopped the inner walk. The indexed lookup is checked against it.

#include <string>
#include <string_view>
#include <vector>

namespace velmora::update::test_support {

inline std::string ReferenceLookup(const std::vector<std::string_view>& lines, std::string_view section,
                                   std::string_view key) {
    const std::string header = "[" + std::string(section) + "]";
    const std::string prefix = std::string(key) + "=";
    std::size_t i = 0;
    while (i < lines.size()) {
        if (lines[i] != header) {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        for (; j < lines.size(); ++j) {
            const std::string_view line = lines[j];
            if (line.empty() || line.front() == '[') break;
            if (line.size() > prefix.size() && line.substr(0, prefix.size()) == prefix)
                return std::string(line.substr(prefix.size()));
        }
        i = j + 1;
    }
    return {};
}

}  // namespace velmora::update::test_support
