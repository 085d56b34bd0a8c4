#include "common/FileStamp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace velmora {
namespace {

TEST(SystemFileStamps, FollowTheFilesModificationTimeToTheNanosecondAndItsSize) {
    const auto path = std::filesystem::temp_directory_path() / ("velmora-file-stamp-" + std::to_string(::getpid()));
    SystemFileStamps stamps;
    EXPECT_EQ(stamps.Read(path.string()), std::nullopt);

    std::ofstream(path, std::ios::binary) << "abc";
    const std::optional<FileStamp> written = stamps.Read(path.string());
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->Size, 3u);
    EXPECT_EQ(stamps.Read(path.string()), written);

    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::milliseconds(1500));
    const std::optional<FileStamp> touched = stamps.Read(path.string());
    std::filesystem::remove(path);
    ASSERT_TRUE(touched.has_value());
    EXPECT_EQ(touched->ModifiedNs - written->ModifiedNs, 1'500'000'000);
}

}  // namespace
}  // namespace velmora
