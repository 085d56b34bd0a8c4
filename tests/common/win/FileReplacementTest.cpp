#include "common/win/FileReplacement.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/win/UniqueHandle.h"

namespace velmora::win {
namespace {

namespace fs = std::filesystem;

class FileReplacementTest : public ::testing::Test {
protected:
    FileReplacementTest() {
        folder = fs::temp_directory_path() / ("velmora-replace-" + std::to_string(::GetCurrentProcessId()));
        fs::create_directories(folder);
    }
    ~FileReplacementTest() override { fs::remove_all(folder); }
    std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fs::path folder;
};

TEST_F(FileReplacementTest, NewBytesReplaceTheOldWhileAReaderHoldsItAndNothingElseStays) {
    const fs::path target = folder / "velmora_ssd.prom";
    std::ofstream(target, std::ios::binary) << "old contents that are longer\n";
    // A collector reading the old file without FILE_SHARE_DELETE holds the
    // move off until it closes the file.
    FileHandle reader(::CreateFileA(target.string().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        reader.reset();
    });
    const std::string error = ReplaceFileContents(target.string(), "velmora_ssd_up 1\n");
    closer.join();
    EXPECT_EQ(error, "");
    EXPECT_EQ(Read(target), "velmora_ssd_up 1\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(FileReplacementTest, AFileWrittenBesideMovesOverTheOldOneOrLeavesBothWhenItCannot) {
    const fs::path target = folder / "tool.exe";
    std::ofstream(target, std::ios::binary) << "old";
    std::string temporary;
    ASSERT_EQ(CreateFileBeside(target.string(), temporary), "");
    EXPECT_EQ(fs::path(temporary).parent_path(), folder);
    EXPECT_EQ(fs::path(temporary).extension(), ".tmp");
    std::ofstream(temporary, std::ios::binary) << "new";

    // A folder where the file should go cannot be replaced.
    const fs::path blocked = folder / "blocked";
    fs::create_directories(blocked);
    EXPECT_NE(MoveFileIntoPlace(temporary, blocked.string()), "");
    EXPECT_EQ(Read(temporary), "new");
    EXPECT_EQ(Read(target), "old");

    EXPECT_EQ(MoveFileIntoPlace(temporary, target.string()), "");
    EXPECT_EQ(Read(target), "new");
    EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(FileReplacementTest, AMissingFolderIsNamedWithTheSystemsWords) {
    const std::string missing = (folder / "missing").string();
    const std::string error = ReplaceFileContents(missing + "\\velmora_ssd.prom", "x");
    EXPECT_EQ(error.rfind("cannot create a file in " + missing + ": ", 0), 0u) << error;
    EXPECT_GT(error.size(), ("cannot create a file in " + missing + ": ").size());
}

}  // namespace
}  // namespace velmora::win
