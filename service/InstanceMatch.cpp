#include "service/InstanceMatch.h"

namespace velmora {

namespace {
// Latin Extended-A pairs capital and small letters side by side; in these
// runs the capital sits at the odd code point, elsewhere at the even one.
bool CapitalIsOdd(char16_t c) noexcept { return (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E); }
}  // namespace

char16_t UpperChar16(char16_t c) noexcept {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0x00E0) return c;
    if (c <= 0x00FE) return c == 0x00F7 ? c : static_cast<char16_t>(c - 0x20);  // 0xF7 is the division sign
    if (c == 0x00FF) return 0x0178;
    if (c >= 0x0100 && c <= 0x017F) {
        if (c == 0x0131) return u'I';  // dotless i
        if (c == 0x0138) return c;     // kra has no capital
        if (c == 0x0149) return c;     // apostrophe n has no single capital
        if (c == 0x017F) return u'S';  // long s
        const bool odd = (c & 1) != 0;
        if (CapitalIsOdd(c)) return odd ? c : static_cast<char16_t>(c - 1);
        return odd ? static_cast<char16_t>(c - 1) : c;
    }
    if (c == 0x03C2) return 0x03A3;  // final sigma
    if (c >= 0x03B1 && c <= 0x03C9) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x0430 && c <= 0x044F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 0x50);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
    return c;
}

bool InstanceNameMatches(std::u16string_view rowName, std::u16string_view instance) noexcept {
    if (rowName.size() < instance.size()) return false;
    for (std::size_t i = 0; i < instance.size(); ++i) {
        if (UpperChar16(rowName[i]) != UpperChar16(instance[i])) return false;
    }
    return true;
}

}  // namespace velmora
