#include "update/UpdateReplyLines.h"

namespace velmora::update {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trim(std::string_view line) {
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    return line;
}

bool EndsBlock(std::string_view line) { return line.empty() || line.front() == '['; }

}  // namespace

std::vector<ReplyLine> SplitReplyLines(std::string_view text) {
    std::vector<ReplyLine> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::size_t next = end == text.size() ? end : end + 1;
        if (next < text.size() && text[end] == '\r' && text[next] == '\n') ++next;
        lines.push_back({start, next, Trim(text.substr(start, end - start))});
        start = next;
    }
    return lines;
}

UpdateReplyLines::UpdateReplyLines(std::string_view body) : text_(ReplyText(body)) {
    for (const ReplyLine& line : SplitReplyLines(text_)) lines_.push_back(line.Text);

    // Only lines that could equal "[name]" open a block worth indexing.
    // Blocks never overlap (a header line starts with '[' and so ends the
    // block before it), so looking one key up everywhere reads each line once.
    std::size_t stop = lines_.size();
    std::vector<std::size_t> stopAfter(lines_.size());
    for (std::size_t i = lines_.size(); i-- > 0;) {
        stopAfter[i] = stop;
        if (EndsBlock(lines_[i])) stop = i;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string_view line = lines_[i];
        if (line.size() < 2 || line.front() != '[' || line.back() != ']') continue;
        Block block{i, stopAfter[i], {}};
        headers_[line].push_back(blocks_.size());
        blocks_.push_back(std::move(block));
    }
}

std::string_view UpdateReplyLines::BlockValue(const Block& block, std::string_view key) const {
    for (const auto& [knownKey, value] : block.Found) {
        if (knownKey == key) return value;
    }
    std::string_view value;
    const std::size_t prefixSize = key.size() + 1;
    for (std::size_t j = block.Header + 1; j < block.Stop; ++j) {
        const std::string_view line = lines_[j];
        if (line.size() > prefixSize && line.substr(0, key.size()) == key && line[key.size()] == '=') {
            value = line.substr(prefixSize);
            break;
        }
    }
    block.Found.emplace_back(key, value);
    return value;
}

std::string UpdateReplyLines::Value(std::string_view section, std::string_view key) const {
    std::string header;
    header.reserve(section.size() + 2);
    header += '[';
    header += section;
    header += ']';
    const auto found = headers_.find(header);
    if (found == headers_.end()) return {};

    std::size_t resume = 0;  // the first line the outer walk still examines
    for (const std::size_t b : found->second) {
        const Block& block = blocks_[b];
        if (block.Header < resume) continue;  // this header stopped the previous inner walk
        const std::string_view value = BlockValue(block, key);
        if (!value.empty()) return std::string(value);
        resume = block.Stop + 1;
    }
    return {};
}

std::string ReadReplyValue(const UpdateReplyLines& lines, std::string_view section, std::string_view key) {
    return lines.Value(section, key);
}

}  // namespace velmora::update
