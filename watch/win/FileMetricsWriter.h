#pragma once
// The watch's metrics go to the file the administrator named, replaced in one step.

#include "common/win/FileReplacement.h"
#include "watch/WatchEvent.h"

namespace velmora::win {

class FileMetricsWriter final : public watch::MetricsWriter {
public:
    [[nodiscard]] std::string Replace(const std::string& path, const std::string& text) noexcept override {
        return ReplaceFileContents(path, text);
    }
};

}  // namespace velmora::win
