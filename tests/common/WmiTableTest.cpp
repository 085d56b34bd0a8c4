#include "common/WmiTable.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

#include "tests/fakes/FakeWmiSource.h"

namespace velmora {
namespace {

using fakes::FakeClass;
using fakes::FakeWmiSource;

FakeClass TwoDisks() {
    return FakeClass{{u"DeviceId", u"Model", u"Index"},
                     {{WmiVariant::Text(u"\\\\.\\PHYSICALDRIVE0"), WmiVariant::Text(u"Wine Disk Drive"), WmiVariant::Int32(0)},
                      {WmiVariant::Text(u"\\\\.\\PHYSICALDRIVE1"), WmiVariant::Null(), WmiVariant::Int32(1)}}};
}

class WmiTableOverFake : public ::testing::Test {
protected:
    WmiTableOverFake() { source.Set(u"root\\cimv2", u"Win32_DiskDrive", TwoDisks()); }
    FakeWmiSource source;
    WmiTable table{source};
};

TEST_F(WmiTableOverFake, ExecuteFillsColumnsAndRowsInOrder) {
    ASSERT_EQ(table.Execute(u"root\\cimv2", u"Win32_DiskDrive"), 0);
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.ColumnCount(), 3);
    WmiVariant name;
    ASSERT_EQ(table.GetColumnName(1, name), 0);
    EXPECT_EQ(name, WmiVariant::Text(u"Model"));
    WmiVariant cell;
    ASSERT_EQ(table.GetValue(1, u"Index", cell), 0);
    EXPECT_EQ(cell, WmiVariant::Int32(1));
    ASSERT_EQ(table.GetCell(0, 1, cell), 0);
    EXPECT_EQ(cell.ToText(), u"Wine Disk Drive");
}

TEST_F(WmiTableOverFake, NullValueStillOccupiesItsCell) {
    ASSERT_EQ(table.Execute(u"root\\cimv2", u"Win32_DiskDrive"), 0);
    WmiVariant cell = WmiVariant::Int32(99);
    ASSERT_EQ(table.GetValue(1, u"Model", cell), 0);
    EXPECT_TRUE(cell.IsNull());
    EXPECT_EQ(cell.ToText(), u"");
}

TEST_F(WmiTableOverFake, ExecuteAppendsToWhatTheTableHolds) {
    ASSERT_EQ(table.Execute(u"root\\cimv2", u"Win32_DiskDrive"), 0);
    ASSERT_EQ(table.Execute(u"root\\cimv2", u"Win32_DiskDrive"), 0);
    EXPECT_EQ(table.RowCount(), 4);
    EXPECT_EQ(table.ColumnCount(), 6);
    EXPECT_EQ(source.ExecuteCount, 2);
}

TEST_F(WmiTableOverFake, ExecutePassesEverySourceCodeThrough) {
    for (int code = -1; code >= -8; --code) {
        source.Set(u"root\\cimv2", u"Failing", FakeClass{{}, {}, code});
        WmiTable fresh(source);
        EXPECT_EQ(fresh.Execute(u"root\\cimv2", u"Failing"), code);
        EXPECT_EQ(fresh.RowCount(), 0) << code;
    }
}

TEST_F(WmiTableOverFake, ReadsOutsideTheTableReturnMinusOneWithoutRaising) {
    ASSERT_EQ(table.Execute(u"root\\cimv2", u"Win32_DiskDrive"), 0);
    struct Case {
        const char* name;
        int row;
        const char16_t* property;
    };
    const Case cases[] = {
        {"property differing in case only", 0, u"deviceid"},
        {"another case spelling", 0, u"DeviceID"},
        {"unknown property", 0, u"Size"},
        {"empty property name", 0, u""},
        {"row equal to RowCount", 2, u"Model"},
        {"negative row", -1, u"Model"},
    };
    for (const auto& c : cases) {
        WmiVariant out = WmiVariant::Int32(5);
        EXPECT_EQ(table.GetValue(c.row, c.property, out), -1) << c.name;
        EXPECT_EQ(out, WmiVariant::Int32(5)) << c.name << ": the out value stays untouched";
    }
    WmiVariant out;
    for (auto [row, column] : std::initializer_list<std::pair<int, int>>{{0, 3}, {0, -1}, {2, 0}, {-1, 0}})
        EXPECT_EQ(table.GetCell(row, column, out), -1) << row << "," << column;
    for (int index : {-1, 3}) EXPECT_EQ(table.GetColumnName(index, out), -1) << index;
}

TEST(WmiTable, ColumnIndexIsExactAndFindsTheFirstMatch) {
    FakeWmiSource source;
    WmiTable table(source);
    table.AddColumn(WmiVariant::Text(u"Model"));
    table.AddColumn(WmiVariant::Int32(7));  // a column name that is not text matches nothing
    table.AddColumn(WmiVariant::Text(u"Model"));
    EXPECT_EQ(table.ColumnIndex(u"Model"), 0);
    EXPECT_EQ(table.ColumnIndex(u"model"), -1);
    EXPECT_EQ(table.ColumnIndex(u"Model "), -1);
    EXPECT_EQ(table.ColumnIndex(u"7"), -1);
}

TEST(WmiTable, BuildingOperationsAppendCopiesToTheLastRow) {
    FakeWmiSource source;
    WmiTable table(source);
    table.AddColumn(WmiVariant::Text(u"A"));
    table.AddRow();
    table.AppendToLastRow(WmiVariant::Int32(1));
    table.AddRow();
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_TRUE(table.Rows[1].empty());
    WmiVariant out;
    EXPECT_EQ(table.GetCell(1, 0, out), -1) << "a row shorter than the columns has no cell there";
    table.AppendToLastRow(WmiVariant::Text(u"x"));
    EXPECT_EQ(table.GetCell(1, 0, out), 0);
    EXPECT_EQ(out.ToText(), u"x");
    EXPECT_EQ(table.Rows[0].size(), 1u);
}

TEST(WmiTable, AppendingWithoutARowRaisesEmptyRowList) {
    FakeWmiSource source;
    WmiTable table(source);
    table.AddColumn(WmiVariant::Text(u"A"));
    try {
        table.AppendToLastRow(WmiVariant::Int32(1));
        FAIL() << "expected an exception";
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "Empty row list!");
    }
    EXPECT_EQ(table.RowCount(), 0);
}

TEST(WmiTable, ClearEmptiesBothLists) {
    FakeWmiSource source;
    source.Set(u"n", u"c", TwoDisks());
    WmiTable table(source);
    ASSERT_EQ(table.Execute(u"n", u"c"), 0);
    table.Clear();
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_EQ(table.ColumnCount(), 0);
    WmiVariant out;
    EXPECT_EQ(table.GetValue(0, u"Model", out), -1);
}

}  // namespace
}  // namespace velmora
