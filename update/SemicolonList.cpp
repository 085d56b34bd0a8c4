#include "update/SemicolonList.h"

namespace velmora::update {

namespace {

// Calls visit(entry) for each entry until it returns true.
template <typename Visit>
bool ForEachEntry(std::string_view rest, Visit visit) {
    while (!rest.empty()) {
        const std::size_t semicolon = rest.find(';');
        if (visit(rest.substr(0, semicolon))) return true;
        rest = semicolon == std::string_view::npos ? std::string_view{} : rest.substr(semicolon + 1);
    }
    return false;
}

}  // namespace

bool SemicolonListContains(std::string_view text, std::string_view entry) {
    if (entry.empty() || entry.find(';') != std::string_view::npos) {
        return ForEachEntry(text, [&](std::string_view candidate) { return candidate == entry; });
    }
    // A non-empty entry without ';' is in the list exactly where it occurs
    // between separators (or the ends); searching for it is far quicker than
    // cutting a long list into pieces for every drive.
    for (std::size_t at = text.find(entry); at != std::string_view::npos; at = text.find(entry, at + 1)) {
        const std::size_t end = at + entry.size();
        if ((at == 0 || text[at - 1] == ';') && (end == text.size() || text[end] == ';')) return true;
    }
    return false;
}

}  // namespace velmora::update
