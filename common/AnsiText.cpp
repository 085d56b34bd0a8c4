#include "common/AnsiText.h"

#include <atomic>

namespace velmora {

namespace {

// Windows-1252: Latin-1 except 0x80..0x9F, where the code page puts
// typographic characters. The five unassigned bytes map to the C1 control of
// the same number, as the system's conversion maps them.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Cp1252ToUtf16(unsigned char c) {
    return c >= 0x80 && c <= 0x9F ? kHighControls[c - 0x80] : static_cast<char16_t>(c);
}

char Utf16ToCp1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (unsigned i = 0; i < 32; ++i) {
        if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
    }
    return '?';
}

class Cp1252Codec final : public AnsiCodec {
public:
    std::u16string ToUtf16(std::string_view ansi) const override {
        std::u16string out;
        out.reserve(ansi.size());
        for (char c : ansi) out.push_back(Cp1252ToUtf16(static_cast<unsigned char>(c)));
        return out;
    }
    std::string FromUtf16(std::u16string_view text) const override {
        std::string out;
        out.reserve(text.size());
        for (char16_t c : text) out.push_back(Utf16ToCp1252(c));
        return out;
    }
};

const Cp1252Codec kDefaultCodec;
std::atomic<const AnsiCodec*> gCodec{&kDefaultCodec};

}  // namespace

void InstallAnsiCodec(const AnsiCodec* codec) noexcept { gCodec.store(codec ? codec : &kDefaultCodec); }

std::u16string AnsiToUtf16(std::string_view ansi) { return gCodec.load()->ToUtf16(ansi); }
std::string Utf16ToAnsi(std::u16string_view text) { return gCodec.load()->FromUtf16(text); }

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string AnsiToUtf8(std::string_view ansi) { return Utf16ToUtf8(AnsiToUtf16(ansi)); }

Utf8Character DecodeUtf8Character(std::string_view text) {
    if (text.empty()) return {};
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {lead, 1, true};
    constexpr Utf8Character kInvalid{0xFFFD, 1, false};
    std::size_t length = 0;
    char32_t c = 0;
    char32_t smallest = 0;  // below this the form is overlong
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, smallest = 0x10000;
    } else {
        return kInvalid;
    }
    if (text.size() < length) return kInvalid;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return kInvalid;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kInvalid;
    return {c, length, true};
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::u16string text;
    text.reserve(utf8.size());
    while (!utf8.empty()) {
        const Utf8Character character = DecodeUtf8Character(utf8);
        // No single-byte code page has a character beyond the BMP: one
        // replacement stands for it, as for an invalid byte.
        text.push_back(character.CodePoint < 0x10000 ? static_cast<char16_t>(character.CodePoint) : u'\uFFFD');
        utf8.remove_prefix(character.Length);
    }
    return Utf16ToAnsi(text);
}

}  // namespace velmora
