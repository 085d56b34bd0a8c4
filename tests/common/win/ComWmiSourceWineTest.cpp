// The COM source against the system's WMI (Wine's in the test runs). Facts
// about the system are read from it first, so that the tests hold on
// Windows too.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/WmiTable.h"
#include "common/win/ComScope.h"
#include "common/win/ComWmiSource.h"

namespace velmora::win {
namespace {

// "major.minor.build" as the kernel reports it; GetVersionEx would give a
// program without a compatibility manifest an older version on Windows 10.
std::u16string KernelVersionText() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    const auto rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) return {};
    const std::string text = std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
                             std::to_string(info.dwBuildNumber);
    return std::u16string(text.begin(), text.end());
}

class SystemWmi : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(com.Ok()) << std::hex << com.Result(); }
    ComScope com;
    ComWmiSource source;
    WmiTable table{source};
};

TEST_F(SystemWmi, OperatingSystemHasATextVersion) {
    ASSERT_EQ(table.Execute(u"root\\cimv2", u"Win32_OperatingSystem"), 0);
    ASSERT_GE(table.RowCount(), 1);
    WmiVariant version;
    ASSERT_EQ(table.GetValue(0, u"Version", version), 0);
    ASSERT_TRUE(version.IsText()) << version.Type();
    const std::u16string kernel = KernelVersionText();
    ASSERT_FALSE(kernel.empty());
    EXPECT_EQ(version.ToText(), kernel);
}

// Whether the failure-prediction class has rows depends on the machine's
// disks (Wine has none): an empty class gives -5, one with rows 0.
TEST_F(SystemWmi, ClassWithoutInstancesGivesMinusFiveAndOneWithInstancesZero) {
    const int result = table.Execute(u"root\\WMI", u"MSStorageDriver_FailurePredictStatus");
    if (table.RowCount() == 0) {
        EXPECT_EQ(result, -5);
    } else {
        EXPECT_EQ(result, 0);
    }
}

TEST_F(SystemWmi, DiskDrivesAreReadWithExactCaseNames) {
    ASSERT_EQ(table.Execute(u"root\\cimv2", u"Win32_DiskDrive"), 0);
    ASSERT_GE(table.RowCount(), 1);
    WmiVariant cell;
    EXPECT_EQ(table.GetValue(0, u"deviceid", cell), -1);
    EXPECT_EQ(table.GetValue(table.RowCount(), u"Model", cell), -1);
    ASSERT_EQ(table.GetValue(0, u"Model", cell), 0);
    EXPECT_TRUE(cell.IsText());
    ASSERT_EQ(table.GetValue(0, u"Index", cell), 0);
    EXPECT_TRUE(cell.IsInt32()) << cell.Type();
    // Every later row has one cell per column.
    for (const auto& row : table.Rows) EXPECT_EQ(static_cast<int>(row.size()), table.ColumnCount());
}

TEST_F(SystemWmi, UnknownNamespaceFailsAtConnect) {
    EXPECT_EQ(table.Execute(u"root\\NoSuchNamespace", u"Win32_DiskDrive"), -2);
    EXPECT_EQ(table.RowCount(), 0);
}

TEST_F(SystemWmi, UnknownClassFailsWithoutRows) {
    const int result = table.Execute(u"root\\cimv2", u"NoSuchClass_Velmora");
    // Windows reports an invalid class at the first Next; a provider may refuse the query itself.
    EXPECT_TRUE(result == -3 || result == -5) << result;
    EXPECT_EQ(table.RowCount(), 0);
}

}  // namespace
}  // namespace velmora::win
