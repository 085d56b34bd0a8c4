#pragma once
// Conversion between the system's single-byte code page and UTF-16. WMI
// speaks UTF-16; the records, drive table and reports hold ANSI text. The
// Windows programs install the CP_ACP codec at start; the default is
// Windows-1252, the code page of the machines the programs ship to, which is
// what tests and Linux need.

#include <string>
#include <string_view>

namespace velmora {

class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    [[nodiscard]] virtual std::u16string ToUtf16(std::string_view ansi) const = 0;
    // Characters without an ANSI form become '?'.
    [[nodiscard]] virtual std::string FromUtf16(std::u16string_view text) const = 0;
};

void InstallAnsiCodec(const AnsiCodec* codec) noexcept;  // null restores the default

[[nodiscard]] std::u16string AnsiToUtf16(std::string_view ansi);
[[nodiscard]] std::string Utf16ToAnsi(std::u16string_view text);
// UTF-8 for JSON output, from the system code page.
[[nodiscard]] std::string AnsiToUtf8(std::string_view ansi);
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);

// One character at the start of UTF-8 text. Text that is not valid UTF-8
// (a stray byte, an overlong form, a surrogate, a cut sequence) gives
// Valid false, U+FFFD and Length 1, so a caller skips one byte and goes on.
struct Utf8Character {
    char32_t CodePoint = 0;
    std::size_t Length = 0;  // 0 only for empty text
    bool Valid = false;
};
[[nodiscard]] Utf8Character DecodeUtf8Character(std::string_view text);

// Appends UTF-8 text to out for formats that must stay valid UTF-8 (JSON,
// Prometheus labels): each ASCII byte goes to ascii(c) to be escaped as the
// format wants, each valid multi-byte character is copied, and each byte
// that is not UTF-8 becomes U+FFFD.
template <typename AsciiWriter>
void AppendValidUtf8(std::string& out, std::string_view utf8, AsciiWriter&& ascii) {
    while (!utf8.empty()) {
        const auto c = static_cast<unsigned char>(utf8[0]);
        if (c < 0x80) {
            ascii(utf8[0]);
            utf8.remove_prefix(1);
            continue;
        }
        const Utf8Character character = DecodeUtf8Character(utf8);
        if (character.Valid) {
            out.append(utf8.data(), character.Length);
        } else {
            out += "\xEF\xBF\xBD";  // U+FFFD
        }
        utf8.remove_prefix(character.Length);
    }
}

// UTF-8 (the history's texts) in the system code page, for console text.
[[nodiscard]] std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace velmora
