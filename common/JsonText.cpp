#include "common/JsonText.h"

#include <cstdio>

#include "common/AnsiText.h"

namespace velmora {

namespace {

// Bytes copied as they are: printable ASCII other than the quote and the backslash.
bool IsPlain(unsigned char c) { return c >= 0x20 && c < 0x80 && c != '"' && c != '\\'; }

void AppendEscaped(std::string& out, unsigned char c) {
    switch (c) {
    case '"': out += "\\\""; break;
    case '\\': out += "\\\\"; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    case '\t': out += "\\t"; break;
    default: {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        out += escaped;
    }
    }
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    while (!utf8.empty()) {
        std::size_t plain = 0;
        while (plain < utf8.size() && IsPlain(static_cast<unsigned char>(utf8[plain]))) ++plain;
        out.append(utf8.data(), plain);
        utf8.remove_prefix(plain);
        if (utf8.empty()) break;
        const auto c = static_cast<unsigned char>(utf8[0]);
        if (c < 0x80) {
            AppendEscaped(out, c);
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
    out += '"';
}

std::string JsonString(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    AppendJsonString(out, utf8);
    return out;
}

std::string JsonKnownNumber(std::int32_t value) { return value == -1 ? "null" : std::to_string(value); }

}  // namespace velmora
