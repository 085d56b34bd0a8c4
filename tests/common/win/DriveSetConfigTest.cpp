#include "common/win/DriveSetConfig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/DriveSetEnvironment.h"
#include "common/WmiTable.h"
#include "common/RegistryNames.h"
#include "common/win/UniqueHandle.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora::win {
namespace {

// A key of the test's own under the current user, so the machine's setting
// is never touched; removed again at the end.
class DriveSetConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        subKey_ = "SOFTWARE\\VelmoraTests\\DriveSetConfig" + std::to_string(::GetCurrentProcessId());
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key_.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.reset();
        ::RegDeleteKeyA(HKEY_CURRENT_USER, subKey_.c_str());
    }

    void Store(DWORD type, const void* bytes, DWORD size) {
        ASSERT_EQ(::RegSetValueExA(key_.get(), kSimulatedDrivesValue, 0, type, static_cast<const BYTE*>(bytes), size),
                  ERROR_SUCCESS);
    }
    void StoreText(DWORD type, const std::string& text) {
        Store(type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    std::optional<std::string> Read() { return ReadSimulatedDrivesSetting(HKEY_CURRENT_USER, subKey_.c_str()); }

    std::string subKey_;
    RegistryKey key_;
};

TEST_F(DriveSetConfigTest, APlainStringIsThePathAsStored) {
    StoreText(REG_SZ, "C:\\Drive Sets\\demo-drives.ini");
    EXPECT_EQ(Read(), "C:\\Drive Sets\\demo-drives.ini");
}

TEST_F(DriveSetConfigTest, AnExpandableStringHasItsVariablesExpanded) {
    ASSERT_TRUE(::SetEnvironmentVariableA("VELMORA_SETS", "C:\\Sets"));
    StoreText(REG_EXPAND_SZ, "%VELMORA_SETS%\\demo.ini");
    EXPECT_EQ(Read(), "C:\\Sets\\demo.ini");
    ::SetEnvironmentVariableA("VELMORA_SETS", nullptr);
}

TEST_F(DriveSetConfigTest, AStringStoredWithoutItsTerminatorIsReadWhole) {
    const char text[] = {'C', ':', '\\', 'a', '.', 'i', 'n', 'i'};
    Store(REG_SZ, text, sizeof text);
    EXPECT_EQ(Read(), "C:\\a.ini");
}

TEST_F(DriveSetConfigTest, EmptyMissingOrNonStringValuesMeanNoDriveSet) {
    EXPECT_EQ(Read(), std::nullopt);  // key without the value
    StoreText(REG_SZ, "");
    EXPECT_EQ(Read(), std::nullopt);
    Store(REG_SZ, "", 0);
    EXPECT_EQ(Read(), std::nullopt);
    StoreText(REG_EXPAND_SZ, "%VELMORA_UNSET_EMPTY%");
    ::SetEnvironmentVariableA("VELMORA_UNSET_EMPTY", "");
    EXPECT_EQ(Read(), std::nullopt);
    ::SetEnvironmentVariableA("VELMORA_UNSET_EMPTY", nullptr);
    const DWORD number = 1;
    Store(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(Read(), std::nullopt);
    const char list[] = "a.ini\0b.ini\0";
    Store(REG_MULTI_SZ, list, sizeof list);
    EXPECT_EQ(Read(), std::nullopt);
}

TEST_F(DriveSetConfigTest, AMissingKeyMeansNoDriveSet) {
    EXPECT_EQ(ReadSimulatedDrivesSetting(HKEY_CURRENT_USER, "SOFTWARE\\VelmoraTests\\NoSuchKey"), std::nullopt);
}

// What a program does: the setting names a file in a Windows path, the
// environment answers from it, and from its new bytes once the C runtime
// sees a later modification time.
TEST_F(DriveSetConfigTest, TheConfiguredFileFeedsTheProgramsDriveSourcesAndIsReadAgainWhenItChanges) {
    char folder[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathA(MAX_PATH, folder), 0u);
    const std::string path = std::string(folder) + "velmora drive set " + std::to_string(::GetCurrentProcessId()) + ".ini";
    auto write = [&path](int index) {
        std::ofstream file(path, std::ios::binary);
        file << "[os]\r\nVersion=10.0.19045\r\n[disk]\r\nIndex=" << index << "\r\nModel=VELMORA R730 SSD\r\n";
    };
    auto diskIndex = [](WmiSource& wmi) {
        WmiTable table(wmi);
        WmiVariant index;
        if (table.Execute(u"root\\cimv2", u"Win32_DiskDrive") != 0 || table.GetValue(0, u"Index", index) != 0) {
            return WmiVariant::Null();
        }
        return index;
    };
    write(3);
    StoreText(REG_SZ, path);

    fakes::RecordingEventSink events;
    fakes::FakeWmiSource realWmi;
    fakes::FakeDeviceIo realDevices;
    DriveSetEnvironment environment(Read(), realWmi, realDevices);
    EXPECT_NE(&environment.Wmi(), &realWmi);
    EXPECT_EQ(diskIndex(environment.Wmi()), WmiVariant::Int32(3));

    // The same size, so only the time tells.
    const auto written = std::filesystem::last_write_time(path);
    write(4);
    std::filesystem::last_write_time(path, written + std::chrono::seconds(2));
    EXPECT_EQ(diskIndex(environment.Wmi()), WmiVariant::Int32(4));
    std::remove(path.c_str());
    EXPECT_TRUE(events.Entries.empty());
}

}  // namespace
}  // namespace velmora::win
