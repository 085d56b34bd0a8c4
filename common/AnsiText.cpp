#include "common/AnsiText.h"

#include <atomic>

namespace velmora {

namespace {

class Latin1Codec final : public AnsiCodec {
public:
    std::u16string ToUtf16(std::string_view ansi) const override {
        std::u16string out;
        out.reserve(ansi.size());
        for (char c : ansi) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
        return out;
    }
    std::string FromUtf16(std::u16string_view text) const override {
        std::string out;
        out.reserve(text.size());
        for (char16_t c : text) out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
        return out;
    }
};

const Latin1Codec kDefaultCodec;
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

}  // namespace velmora
