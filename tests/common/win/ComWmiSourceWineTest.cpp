// The COM source against the system's WMI (Wine's in the test runs).

#include <gtest/gtest.h>

#include "common/WmiTable.h"
#include "common/win/ComScope.h"
#include "common/win/ComWmiSource.h"

namespace velmora::win {
namespace {

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
    EXPECT_FALSE(version.ToText().empty());
    // A new Wine prefix reports Windows 7 SP1.
    EXPECT_EQ(version.ToText(), u"6.1.7601");
}

TEST_F(SystemWmi, ClassWithoutInstancesGivesMinusFiveAndNoRows) {
    EXPECT_EQ(table.Execute(u"root\\WMI", u"MSStorageDriver_FailurePredictStatus"), -5);
    EXPECT_EQ(table.RowCount(), 0);
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
