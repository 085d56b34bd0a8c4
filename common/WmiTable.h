#pragma once
// The answer of one WMI query kept in memory: property names as columns,
// returned objects as rows of variants. Reads never raise; they return -1.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ProgramTexts.h"
#include "common/WmiSource.h"
#include "common/WmiVariant.h"

namespace velmora {

inline constexpr char kEmptyRowList[] = "Empty row list!";

class WmiTable {
public:
    explicit WmiTable(WmiSource& source) : source_(&source) {}
    ~WmiTable() { Clear(); }
    WmiTable(const WmiTable&) = delete;
    WmiTable& operator=(const WmiTable&) = delete;

    void Clear();
    // Appends the answer of "Select * from className" to the table; 0 or -1..-8.
    [[nodiscard]] int Execute(std::u16string_view nameSpace, std::u16string_view className);

    [[nodiscard]] int RowCount() const { return static_cast<int>(Rows.size()); }
    [[nodiscard]] int ColumnCount() const { return static_cast<int>(Columns.size()); }
    // First column whose name equals the text exactly (case-sensitive), or -1.
    [[nodiscard]] int ColumnIndex(std::u16string_view name) const;
    [[nodiscard]] int GetColumnName(int index, WmiVariant& out) const;
    [[nodiscard]] int GetCell(int row, int column, WmiVariant& out) const;
    [[nodiscard]] int GetValue(int row, std::u16string_view name, WmiVariant& out) const;

    // Building operations, used by sources. Allocation failures raise
    // std::runtime_error(kOutOfMemoryText); AppendToLastRow without a row raises
    // std::logic_error(kEmptyRowList).
    void AddColumn(const WmiVariant& name);
    void AddRow();
    void AppendToLastRow(const WmiVariant& value);

    std::vector<WmiVariant> Columns;
    std::vector<std::vector<WmiVariant>> Rows;

private:
    WmiSource* source_;
};

}  // namespace velmora
