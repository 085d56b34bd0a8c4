#pragma once
// The update reply read as trimmed lines, with the INI-like lookup of the
// exchange. The text ends at its first NUL; a line ends at CR, LF or CRLF;
// each line loses every leading and trailing byte of code 32 or less.
//
// The lines and the blocks under each header are indexed once on
// construction, so a lookup walks only the blocks under its own header, and
// each block at most once per key (results are remembered): the parser makes
// thousands of lookups per reply. Not for use from several threads at once.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace velmora::update {

// The reply's text: everything before its first NUL.
[[nodiscard]] inline std::string_view ReplyText(std::string_view body) { return body.substr(0, body.find('\0')); }

// One line of the text: [Start, Next) is the raw line with its line end,
// Text the line trimmed.
struct ReplyLine {
    std::size_t Start;
    std::size_t Next;
    std::string_view Text;
};

[[nodiscard]] std::vector<ReplyLine> SplitReplyLines(std::string_view text);

class UpdateReplyLines {
public:
    explicit UpdateReplyLines(std::string_view body);
    UpdateReplyLines(const UpdateReplyLines&) = delete;  // the index points into text_
    UpdateReplyLines& operator=(const UpdateReplyLines&) = delete;

    // The value of `key` in section `section`, or empty. Semantics: walk the
    // lines; at a line equal to "[section]", walk the lines after it until an
    // empty line or one starting with '['; a line that begins with "key=" and
    // is longer than that gives the rest of the line. The outer walk resumes
    // after the line that stopped the inner walk, so a repeated header is
    // searched too, unless it was itself that stopping line.
    [[nodiscard]] std::string Value(std::string_view section, std::string_view key) const;

private:
    struct Block {
        std::size_t Header;  // index of the header line
        std::size_t Stop;    // index of the line that ends the block (or line count)
        // Keys looked up so far and their values (empty: not in the block).
        mutable std::vector<std::pair<std::string, std::string_view>> Found;
    };

    [[nodiscard]] std::string_view BlockValue(const Block& block, std::string_view key) const;

    std::string text_;
    std::vector<std::string_view> lines_;
    std::vector<Block> blocks_;
    // Header line text ("[name]") -> indices into blocks_, in line order.
    std::unordered_map<std::string_view, std::vector<std::size_t>> headers_;
};

// The lookup of the exchange on already split lines.
[[nodiscard]] std::string ReadReplyValue(const UpdateReplyLines& lines, std::string_view section, std::string_view key);

}  // namespace velmora::update
