// The nine query steps against hand-written WBEM objects: result codes,
// call arguments, and that every COM object is released on every path.

#include <gtest/gtest.h>

#include <string>

#include "common/WmiTable.h"
#include "common/win/ComWmiSource.h"
#include "tests/fakes/win/FakeWbem.h"

namespace velmora::win {
namespace {

using fakes::win::FakeProperty;
using fakes::win::FakeWbem;

void DescribeDisk(fakes::win::FakeClassObject& object, LONG index, const wchar_t* model) {
    object.Names = {L"DeviceId", L"Index", L"Model"};
    object.Properties = {{L"DeviceId", VT_BSTR, 0, L"\\\\.\\PHYSICALDRIVE" + std::to_wstring(index)},
                         {L"Index", VT_I4, index, L""},
                         {L"Model", model ? VT_BSTR : VT_NULL, 0, model ? model : L""}};
}

class ComWmiSourceSteps : public ::testing::Test {
protected:
    ComWmiSourceSteps() {
        DescribeDisk(wbem.Objects[0], 0, L"Wine Disk Drive");
        DescribeDisk(wbem.Objects[1], 1, nullptr);
        // The second object lists its names differently; the first object's order rules.
        wbem.Objects[1].Names = {L"Model", L"Index", L"DeviceId"};
    }
    int Run(const char16_t* nameSpace = u"root\\cimv2", const char16_t* className = u"Win32_DiskDrive") {
        return source.Execute(nameSpace, className, table);
    }

    FakeWbem wbem{2};
    ComWmiSource source{[this](IWbemLocator** locator) { return wbem.CreateLocator(locator); }};
    WmiTable table{source};
};

TEST_F(ComWmiSourceSteps, ReadsEveryObjectWithTheFirstObjectsColumns) {
    ASSERT_EQ(Run(), 0);
    ASSERT_EQ(table.ColumnCount(), 3);
    ASSERT_EQ(table.RowCount(), 2);
    WmiVariant cell;
    ASSERT_EQ(table.GetCell(1, 0, cell), 0);
    EXPECT_EQ(cell.ToText(), u"\\\\.\\PHYSICALDRIVE1");
    ASSERT_EQ(table.GetValue(0, u"Model", cell), 0);
    EXPECT_EQ(cell.ToText(), u"Wine Disk Drive");
    ASSERT_EQ(table.GetValue(1, u"Model", cell), 0);
    EXPECT_TRUE(cell.IsNull());
    ASSERT_EQ(table.GetValue(1, u"Index", cell), 0);
    EXPECT_TRUE(cell.IsInt32());
    EXPECT_EQ(cell.ToInt32(), 1);
    EXPECT_EQ(wbem.OutstandingReferences(), 0);
}

TEST_F(ComWmiSourceSteps, PassesTheFixedArgumentsOfEachCall) {
    ASSERT_EQ(Run(u"root\\WMI", u"MSStorageDriver_FailurePredictData"), 0);
    EXPECT_EQ(wbem.Locator.Resource, L"root\\WMI");
    EXPECT_EQ(wbem.Locator.SecurityFlags, 0);
    EXPECT_TRUE(wbem.Locator.OtherArgumentsWereNull);
    EXPECT_EQ(wbem.Services.Language, L"WQL");
    EXPECT_EQ(wbem.Services.Query, L"Select * from MSStorageDriver_FailurePredictData");
    EXPECT_EQ(wbem.Services.QueryFlags, 0x10);
    EXPECT_TRUE(wbem.Services.QueryContextWasNull);
    EXPECT_EQ(wbem.Enumerator.LastTimeout, -1);
    EXPECT_EQ(wbem.Enumerator.NextCalls, 3) << "two objects, then the end";
    EXPECT_EQ(wbem.Objects[0].GetNamesFlags, 0x70);
    EXPECT_TRUE(wbem.Objects[0].GetNamesArgumentsWereNull);
    EXPECT_EQ(wbem.Objects[1].GetNamesFlags, -1) << "names come from the first object only";
    const std::vector<std::wstring> order = {L"DeviceId", L"Index", L"Model"};
    EXPECT_EQ(wbem.Objects[1].PropertiesRead, order);
}

struct StepFailure {
    const char* step;
    void (*breakIt)(FakeWbem&);
    int expected;
    int rowsLeft;
};

TEST_F(ComWmiSourceSteps, EachFailingStepGivesItsCodeAndReleasesEverything) {
    const StepFailure cases[] = {
        {"ConnectServer", [](FakeWbem& w) { w.Locator.ConnectResult = WBEM_E_INVALID_NAMESPACE; }, -2, 0},
        {"ExecQuery", [](FakeWbem& w) { w.Services.ExecQueryResult = WBEM_E_INVALID_CLASS; }, -3, 0},
        {"Reset", [](FakeWbem& w) { w.Enumerator.ResetResult = WBEM_E_FAILED; }, -4, 0},
        {"first Next without objects", [](FakeWbem& w) { w.Enumerator.Objects.clear(); }, -5, 0},
        {"first Next failing", [](FakeWbem& w) { w.Enumerator.FirstNextResult = WBEM_E_INVALID_CLASS; }, -5, 0},
        {"first Next timing out", [](FakeWbem& w) { w.Enumerator.FirstNextResult = WBEM_S_TIMEDOUT; }, -5, 0},
        {"GetNames", [](FakeWbem& w) { w.Objects[0].GetNamesResult = WBEM_E_FAILED; }, -6, 0},
        {"Get on the first object", [](FakeWbem& w) { w.Objects[0].FailingProperty = L"Index"; }, -8, 1},
        {"Get on a later object", [](FakeWbem& w) { w.Objects[1].FailingProperty = L"Model"; }, -8, 2},
    };
    for (const auto& c : cases) {
        FakeWbem broken(2);
        DescribeDisk(broken.Objects[0], 0, L"A");
        DescribeDisk(broken.Objects[1], 1, L"B");
        c.breakIt(broken);
        ComWmiSource failing([&](IWbemLocator** locator) { return broken.CreateLocator(locator); });
        WmiTable result(failing);
        EXPECT_EQ(failing.Execute(u"root\\cimv2", u"Win32_DiskDrive", result), c.expected) << c.step;
        EXPECT_EQ(result.RowCount(), c.rowsLeft) << c.step;
        EXPECT_EQ(broken.OutstandingReferences(), 0) << c.step;
    }
}

TEST_F(ComWmiSourceSteps, LocatorThatCannotBeCreatedGivesMinusOne) {
    ComWmiSource failing([](IWbemLocator**) { return REGDB_E_CLASSNOTREG; });
    EXPECT_EQ(failing.Execute(u"root\\cimv2", u"Win32_DiskDrive", table), -1);
    ComWmiSource nullLocator([](IWbemLocator** locator) {
        *locator = nullptr;
        return S_OK;
    });
    EXPECT_EQ(nullLocator.Execute(u"root\\cimv2", u"Win32_DiskDrive", table), -1);
    ComWmiSource noFactory{WbemLocatorFactory{}};
    EXPECT_EQ(noFactory.Execute(u"root\\cimv2", u"Win32_DiskDrive", table), -1);
    EXPECT_EQ(table.RowCount(), 0);
}

TEST_F(ComWmiSourceSteps, ColumnNameThatIsNotTextGivesMinusSeven) {
    table.AddColumn(WmiVariant::Int32(1));  // left from the caller: Execute appends
    EXPECT_EQ(Run(), -7);
    EXPECT_EQ(wbem.OutstandingReferences(), 0);
}

TEST_F(ComWmiSourceSteps, FailingLaterNextEndsTheWalkWithoutError) {
    wbem.Enumerator.LaterNextFailure = WBEM_E_TRANSPORT_FAILURE;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(wbem.OutstandingReferences(), 0);
}

TEST_F(ComWmiSourceSteps, ObjectWithoutPropertiesGivesRowsWithoutCells) {
    wbem.Objects[0].Names.clear();
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(table.ColumnCount(), 0);
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(wbem.OutstandingReferences(), 0);
}

}  // namespace
}  // namespace velmora::win
