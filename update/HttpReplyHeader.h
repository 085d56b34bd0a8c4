#pragma once
// Reads the status line and header lines of an HTTP reply as they arrive, in
// pieces of any size, within fixed caps (a line, all lines). It finds the
// status code and Content-Length and says where the body begins.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

enum class HeaderError {
    None,
    LineTooLong,        // one line (with its line end) over kMaxHeaderLine
    TooManyBytes,       // all lines together over kMaxHeaderBytes
    ConflictingLength,  // two different valid Content-Length values
};

// The second blank-separated word of a status line as a decimal number; 0
// when it is missing or not a number (at most 9 digits, no sign).
[[nodiscard]] int ParseStatusCode(std::string_view statusLine);

// For a line whose first blank-separated word is "Content-Length:" (any case)
// followed by a blank: the value when it is plain decimal digits that fit 63
// bits. Anything else gives nothing, so a bad value counts as absent.
[[nodiscard]] std::optional<std::int64_t> ParseContentLength(std::string_view line);

class HttpReplyHeader {
public:
    // Consumes bytes up to and including the line that ends the header, and
    // returns how many it used; the rest belongs to the body. Consumes
    // nothing once complete or failed.
    std::size_t Feed(std::span<const std::uint8_t> bytes);
    // The data ended: a partial last line counts as received, and the
    // header is complete.
    void Finish();

    [[nodiscard]] bool Complete() const noexcept { return complete_; }
    [[nodiscard]] HeaderError Error() const noexcept { return error_; }
    [[nodiscard]] int StatusCode() const noexcept { return statusCode_; }
    [[nodiscard]] bool HasLength() const noexcept { return length_.has_value(); }
    [[nodiscard]] std::int64_t Length() const noexcept { return length_.value_or(0); }
    // The whole lines read since the last call, each with its line end.
    [[nodiscard]] std::string TakeLines();

private:
    void EndLine();

    std::string line_;     // the line being read
    std::string pending_;  // whole lines not yet taken
    std::size_t total_ = 0;
    bool statusRead_ = false;
    bool complete_ = false;
    HeaderError error_ = HeaderError::None;
    int statusCode_ = 0;
    std::optional<std::int64_t> length_;
};

}  // namespace velmora
