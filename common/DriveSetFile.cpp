#include "common/DriveSetFile.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "common/ErrorReport.h"

namespace velmora {

namespace {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string text;
    char chunk[4096];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxDriveSetFileSize) return std::nullopt;
    }
    // A directory opens on some systems but cannot be read.
    if (file.bad()) return std::nullopt;
    return text;
}

DriveSet Broken() {
    DriveSet set;
    set.Broken = true;
    return set;
}

}  // namespace

DriveSet LoadDriveSetFile(const std::string& path) {
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text) {
        ReportError(path, 0, 0);
        return Broken();
    }
    DriveSetParseResult parsed = ParseDriveSet(*text);
    if (!parsed.Ok()) {
        ReportError(path, parsed.Line, 0);
        return Broken();
    }
    return std::move(parsed.Set);
}

}  // namespace velmora
