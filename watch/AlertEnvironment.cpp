#include "watch/AlertEnvironment.h"

#include <algorithm>
#include <cctype>

namespace velmora::watch {
namespace {

std::string WithoutNul(std::string_view text) {
    std::string out(text);
    out.erase(std::remove(out.begin(), out.end(), '\0'), out.end());
    return out;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool LessIgnoringCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Upper(x) < Upper(y); });
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

// The name of "Name=Value"; a leading '=' belongs to the name ("=C:=C:\x").
std::string_view NameOf(std::string_view entry) {
    const std::size_t equals = entry.find('=', 1);
    return equals == std::string_view::npos ? entry : entry.substr(0, equals);
}

std::vector<std::string> InheritedEntries(std::string_view block) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < block.size()) {
        const std::size_t end = std::min(block.find('\0', start), block.size());
        if (end == start) break;  // the block's terminating empty entry
        entries.emplace_back(block.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

}  // namespace

std::vector<EnvironmentVariable> AlertVariables(const WatchEvent& event) {
    const bool drive = event.Drive.has_value();
    return {
        {kEventIdVariable, std::to_string(static_cast<unsigned>(event.Id))},
        {kEventTextVariable, WithoutNul(event.Message)},
        {kDriveModelVariable, drive ? WithoutNul(event.Drive->Model) : std::string()},
        {kDriveSerialVariable, drive ? WithoutNul(event.Drive->SerialNumber) : std::string()},
        {kDriveStatusVariable, WithoutNul(event.DriveStatus)},
        {kLifeMeterVariable, event.LifeMeter ? std::to_string(*event.LifeMeter) : std::string()},
    };
}

std::string EnvironmentBlock(std::string_view inherited, const std::vector<EnvironmentVariable>& variables) {
    std::vector<std::string> entries;
    for (std::string& entry : InheritedEntries(inherited)) {
        const std::string_view name = NameOf(entry);
        const bool replaced = std::any_of(variables.begin(), variables.end(), [&](const EnvironmentVariable& v) {
            return EqualIgnoringCase(name, v.Name);
        });
        if (!replaced) entries.push_back(std::move(entry));
    }
    for (const EnvironmentVariable& variable : variables) entries.push_back(variable.Name + "=" + variable.Value);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::string& a, const std::string& b) { return LessIgnoringCase(NameOf(a), NameOf(b)); });

    std::string block;
    for (const std::string& entry : entries) {
        block += entry;
        block += '\0';
    }
    // An empty block still needs its two NULs.
    if (entries.empty()) block += '\0';
    block += '\0';
    return block;
}

std::string AlertNotStartedText(std::string_view reason) {
    std::string text = "could not start: ";
    text.append(reason);
    return text;
}

std::string AlertExitCodeText(std::uint32_t exitCode) { return "ended with exit code " + std::to_string(exitCode); }

std::string AlertTimedOutText(std::uint32_t limitMs) {
    const std::string limit =
        limitMs % 1000 == 0 ? std::to_string(limitMs / 1000) + " s" : std::to_string(limitMs) + " ms";
    return "did not end within " + limit + " and was ended with every process it started";
}

}  // namespace velmora::watch
