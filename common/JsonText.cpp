#include "common/JsonText.h"

#include <charconv>
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
    AppendValidUtf8(out, utf8, [&out](char c) {
        if (IsPlain(static_cast<unsigned char>(c))) {
            out += c;
        } else {
            AppendEscaped(out, static_cast<unsigned char>(c));
        }
    });
    out += '"';
}

std::string JsonString(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    AppendJsonString(out, utf8);
    return out;
}

std::string JsonKnownNumber(std::int32_t value) { return value == -1 ? "null" : std::to_string(value); }

std::string ShortestNumber(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

}  // namespace velmora
