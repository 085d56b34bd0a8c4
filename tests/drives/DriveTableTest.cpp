#include "drives/DriveTable.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace velmora {
namespace {

template <typename Action>
std::string ThrownText(Action action) {
    try {
        action();
    } catch (const std::out_of_range& error) {
        return error.what();
    }
    return "no exception";
}

TEST(DriveTable, IndexedAccessAcceptsOnlyZeroToFifteen) {
    DriveTable table;
    table[0].Model = "first";
    table[15].Model = "last";
    const DriveTable& constant = table;
    EXPECT_EQ(constant[0].Model, "first");
    EXPECT_EQ(constant[15].Model, "last");
    for (int index : {-1, 16, 100}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(ThrownText([&] { (void)table[index]; }), "Index out of range! (operator[])");
        EXPECT_EQ(ThrownText([&] { (void)constant[index]; }), "Index out of range! (operator[])");
    }
}

TEST(DriveTable, DiskCountAcceptsZeroToSixteenAndKeepsItsOwnSpelling) {
    DriveTable table;
    table.SetDisksCount(16);
    EXPECT_EQ(table.DiskCount(), 16);
    table.SetDisksCount(0);
    EXPECT_EQ(table.DiskCount(), 0);
    for (int count : {17, -1}) {
        SCOPED_TRACE(count);
        EXPECT_EQ(ThrownText([&] { table.SetDisksCount(count); }), "Index oit of range! (SetDisksCount)");
        EXPECT_EQ(table.DiskCount(), 0);
    }
}

TEST(DriveTable, SelectedDiskMustNameAPresentDrive) {
    DriveTable table;
    EXPECT_EQ(ThrownText([&] { table.SetSelectedDisk(0); }), "Index out of range! (SetSelectedDisk)");
    table.SetDisksCount(2);
    table.SetSelectedDisk(1);
    EXPECT_EQ(table.SelectedDisk(), 1);
    for (int index : {2, -1}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(ThrownText([&] { table.SetSelectedDisk(index); }), "Index out of range! (SetSelectedDisk)");
        EXPECT_EQ(table.SelectedDisk(), 1);
    }
}

TEST(FirmwareFamily, IsTheFirstTwoCharactersAsWritten) {
    struct Case {
        const char* revision;
        const char* family;
    };
    for (const Case& c : {Case{"Q5RT2B1", "Q5"}, Case{"n2rt01", "n2"}, Case{"Q", "Q"}, Case{"", ""}}) {
        DriveInfo drive;
        drive.FirmwareRevision = c.revision;
        EXPECT_EQ(FirmwareFamily(drive), c.family) << c.revision;
    }
}

}  // namespace
}  // namespace velmora
