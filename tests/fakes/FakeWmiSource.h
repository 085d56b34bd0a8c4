#pragma once
// A WMI source that answers from tables given in the test, keyed by
// namespace and class, and can be told to fail with any layer code.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/WmiSource.h"
#include "common/WmiTable.h"

namespace velmora::fakes {

struct FakeClass {
    std::vector<std::u16string> Columns;
    std::vector<std::vector<WmiVariant>> Rows;
    int Result = 0;  // a negative code makes Execute fail after filling nothing
};

class FakeWmiSource final : public WmiSource {
public:
    void Set(std::u16string nameSpace, std::u16string className, FakeClass answer) {
        classes_[{std::move(nameSpace), std::move(className)}] = std::move(answer);
    }

    int Execute(std::u16string_view nameSpace, std::u16string_view className, WmiTable& table) override {
        ++ExecuteCount;
        auto found = classes_.find({std::u16string(nameSpace), std::u16string(className)});
        if (found == classes_.end()) return wmi_result::NoObject;
        const FakeClass& answer = found->second;
        if (answer.Result != 0) return answer.Result;
        if (answer.Rows.empty()) return wmi_result::NoObject;
        for (const auto& name : answer.Columns) table.AddColumn(WmiVariant::Text(name));
        for (const auto& row : answer.Rows) {
            table.AddRow();
            for (const auto& cell : row) table.AppendToLastRow(cell);
        }
        return 0;
    }

    int ExecuteCount = 0;

private:
    std::map<std::pair<std::u16string, std::u16string>, FakeClass> classes_;
};

// Answers every query with a column but no rows and result 0, which real
// sources never do but callers must still refuse.
class RowlessWmiSource final : public WmiSource {
public:
    int Execute(std::u16string_view, std::u16string_view, WmiTable& table) override {
        table.AddColumn(WmiVariant::Text(u"InstanceName"));
        return 0;
    }
};

}  // namespace velmora::fakes
