#include "common/win/Win32DeviceIo.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>

#include "common/StorageLayout.h"

namespace velmora::win {
namespace {

std::string OwnProgramPath() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

TEST(Win32DeviceIo, MissingDriveFailsWithTheSystemError) {
    Win32DeviceIo io;
    for (DeviceAccess access : {DeviceAccess::None, DeviceAccess::ReadWrite}) {
        std::uint32_t error = 0;
        EXPECT_EQ(io.Open("\\\\.\\PhysicalDrive99", access, error), nullptr);
        EXPECT_NE(error, 0u);
    }
}

TEST(Win32DeviceIo, PathWithAnEmbeddedNulIsRefused) {
    Win32DeviceIo io;
    std::uint32_t error = 0;
    const std::string path = OwnProgramPath() + std::string("\0ignored", 8);
    EXPECT_EQ(io.Open(path, DeviceAccess::None, error), nullptr);
    EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_INVALID_NAME));
}

TEST(Win32DeviceIo, OpensAnExistingPathAndReportsAFailingQuery) {
    Win32DeviceIo io;
    std::uint32_t error = 123;
    auto device = io.Open(OwnProgramPath(), DeviceAccess::None, error);
    ASSERT_NE(device, nullptr) << error;
    EXPECT_EQ(error, 0u);
    // A plain file is no storage device: the query fails with a nonzero code.
    std::array<std::uint8_t, property_query::Size> query{};
    std::array<std::uint8_t, 64> answer{};
    const IoResult result = device->QueryProperty(query, answer);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Error, 0u);
}

}  // namespace
}  // namespace velmora::win
