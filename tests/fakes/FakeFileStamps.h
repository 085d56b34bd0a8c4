#pragma once
// File stamps the test sets by hand: every path reads as Stamp, so a test
// decides when a file counts as changed, whatever it wrote.

#include <optional>
#include <string>

#include "common/FileStamp.h"

namespace velmora::fakes {

class FakeFileStamps final : public FileStamps {
public:
    std::optional<FileStamp> Stamp;

    [[nodiscard]] std::optional<FileStamp> Read(const std::string&) override { return Stamp; }
};

}  // namespace velmora::fakes
