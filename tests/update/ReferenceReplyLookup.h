#pragma once
// The reply's lines and lookup done exactly as described, one character and
// one line at a time: CR, LF or CR LF end a line, blanks and control bytes
// around it go; an outer walk for the section header, an inner walk over its
// block, resuming after the line that stopped the inner walk. The indexed
// lookup is checked against them.

#include <string>
#include <string_view>
#include <vector>

namespace velmora::update::test_support {

inline std::string_view ReferenceTrim(std::string_view line) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && blank(line.back())) line.remove_suffix(1);
    return line;
}

// The text ends at its first NUL.
inline std::vector<std::string_view> ReferenceLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(ReferenceTrim(text.substr(start, i - start)));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(ReferenceTrim(text.substr(start)));
    return lines;
}

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
