#include "update/HttpReplyHeader.h"

#include <cctype>
#include <cstring>
#include <limits>

#include "update/HttpClient.h"

namespace velmora {
namespace {

bool IsBlank(char c) { return c == ' '; }

// The blank-separated word at or after pos; pos moves past it.
std::string_view NextWord(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    const std::size_t begin = pos;
    while (pos < text.size() && !IsBlank(text[pos])) ++pos;
    return text.substr(begin, pos - begin);
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

int ParseStatusCode(std::string_view statusLine) {
    const std::string_view line = WithoutLineEnd(statusLine);
    std::size_t pos = 0;
    static_cast<void>(NextWord(line, pos));
    const std::string_view word = NextWord(line, pos);
    if (word.empty() || word.size() > 9) return 0;
    int code = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

std::optional<std::int64_t> ParseContentLength(std::string_view line) {
    line = WithoutLineEnd(line);
    std::size_t pos = 0;
    if (!EqualsIgnoringCase(NextWord(line, pos), "Content-Length:")) return std::nullopt;
    std::string_view value = line.substr(pos);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (value.empty()) return std::nullopt;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        if (number > (kMax - digit) / 10) return std::nullopt;
        number = number * 10 + digit;
    }
    return number;
}

std::size_t HttpReplyHeader::Feed(std::span<const std::uint8_t> bytes) {
    std::size_t used = 0;
    while (used < bytes.size() && !complete_ && error_ == HeaderError::None) {
        const char* begin = reinterpret_cast<const char*>(bytes.data()) + used;
        const std::size_t left = bytes.size() - used;
        const void* lf = std::memchr(begin, '\n', left);
        const std::size_t take = lf == nullptr ? left : static_cast<std::size_t>(static_cast<const char*>(lf) - begin) + 1;
        if (line_.size() + take > kMaxHeaderLine) {
            error_ = HeaderError::LineTooLong;
            break;
        }
        if (total_ + take > kMaxHeaderBytes) {
            error_ = HeaderError::TooManyBytes;
            break;
        }
        line_.append(begin, take);
        total_ += take;
        used += take;
        if (lf != nullptr) EndLine();
    }
    return used;
}

void HttpReplyHeader::Finish() {
    if (complete_ || error_ != HeaderError::None) return;
    if (!line_.empty()) EndLine();
    complete_ = true;
}

std::string HttpReplyHeader::TakeLines() {
    std::string lines;
    lines.swap(pending_);
    return lines;
}

void HttpReplyHeader::EndLine() {
    pending_ += line_;
    if (!statusRead_) {
        statusRead_ = true;
        statusCode_ = ParseStatusCode(line_);
    } else if (line_ == "\n" || line_ == "\r\n") {
        complete_ = true;
    } else if (const auto length = ParseContentLength(line_)) {
        if (length_.has_value() && *length_ != *length) {
            error_ = HeaderError::ConflictingLength;
        } else {
            length_ = length;
        }
    }
    line_.clear();
}

}  // namespace velmora
