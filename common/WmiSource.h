#pragma once
// Where a WmiTable's rows come from: COM/WMI on Windows, a drive-set file
// when one is configured, a fake in tests. A source fills the table through
// AddColumn, AddRow and AppendToLastRow and returns the layer's result code.

#include <string_view>

namespace velmora {

class WmiTable;

// Result codes of WmiTable::Execute, one per step that can fail.
namespace wmi_result {
inline constexpr int Ok = 0;
inline constexpr int LocatorFailed = -1;
inline constexpr int ConnectFailed = -2;
inline constexpr int QueryFailed = -3;
inline constexpr int ResetFailed = -4;
inline constexpr int NoObject = -5;
inline constexpr int GetNamesFailed = -6;
inline constexpr int ColumnNameFailed = -7;
inline constexpr int GetPropertyFailed = -8;
}  // namespace wmi_result

class WmiSource {
public:
    virtual ~WmiSource() = default;
    // Runs "Select * from <className>" in the namespace; 0 or a code -1..-8.
    [[nodiscard]] virtual int Execute(std::u16string_view nameSpace, std::u16string_view className,
                                      WmiTable& table) = 0;
};

}  // namespace velmora
