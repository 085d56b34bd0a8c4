#include "drives/IdentityText.h"

namespace velmora {

namespace {

int LowerHexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string DecodeSerialText(std::string_view text) {
    std::string filtered;
    bool allHex = true;
    for (char c : text) {
        if (!IsAsciiAlnum(c)) continue;
        filtered.push_back(c);
        // Upper-case A-F deliberately counts as not hex: such serials are plain text.
        if (LowerHexValue(c) < 0) allHex = false;
    }
    if (!allHex) return filtered;
    std::string decoded;
    for (std::size_t i = 0; i + 1 < filtered.size(); i += 2) {
        decoded.push_back(static_cast<char>(LowerHexValue(filtered[i]) * 16 + LowerHexValue(filtered[i + 1])));
    }
    return decoded;
}

std::string SwapCharPairs(std::string_view text) {
    std::string swapped(text);
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return swapped;
}

std::string TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

}  // namespace velmora
