#include "common/WmiTable.h"

#include <new>
#include <stdexcept>

namespace velmora {

namespace {
template <typename Action>
void OrOutOfMemory(Action&& action) {
    try {
        action();
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(kOutOfMemoryText);
    }
}
}  // namespace

void WmiTable::Clear() {
    Rows.clear();
    Columns.clear();
}

int WmiTable::Execute(std::u16string_view nameSpace, std::u16string_view className) {
    return source_->Execute(nameSpace, className, *this);
}

int WmiTable::ColumnIndex(std::u16string_view name) const {
    for (std::size_t i = 0; i < Columns.size(); ++i) {
        if (Columns[i].IsText() && Columns[i].TextValue() == name) return static_cast<int>(i);
    }
    return -1;
}

int WmiTable::GetColumnName(int index, WmiVariant& out) const {
    if (index < 0 || index >= ColumnCount()) return -1;
    out = Columns[static_cast<std::size_t>(index)];
    return 0;
}

int WmiTable::GetCell(int row, int column, WmiVariant& out) const {
    if (row < 0 || row >= RowCount()) return -1;
    const auto& cells = Rows[static_cast<std::size_t>(row)];
    if (column < 0 || column >= static_cast<int>(cells.size())) return -1;
    out = cells[static_cast<std::size_t>(column)];
    return 0;
}

int WmiTable::GetValue(int row, std::u16string_view name, WmiVariant& out) const {
    return GetCell(row, ColumnIndex(name), out);
}

void WmiTable::AddColumn(const WmiVariant& name) {
    OrOutOfMemory([&] { Columns.push_back(name); });
}

void WmiTable::AddRow() {
    OrOutOfMemory([&] { Rows.emplace_back(); });
}

void WmiTable::AppendToLastRow(const WmiVariant& value) {
    if (Rows.empty()) throw std::logic_error(kEmptyRowList);
    OrOutOfMemory([&] { Rows.back().push_back(value); });
}

}  // namespace velmora
