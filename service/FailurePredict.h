#pragma once
// ATA failure-prediction status and raw SMART data from the storage driver's
// WMI classes in "root\WMI". Each call runs one fresh query, takes the first
// row whose "InstanceName" begins with the instance text (ignoring case) and
// fills its part of the reply. 0 on success; -1 on failure, reported under
// unit Umain at the failing step, or silently when no row matches. Value
// conversion failures count as failed reads and never raise.

#include <cstdint>
#include <string_view>

#include "common/PipeRecords.h"
#include "common/WmiSource.h"

namespace velmora {

inline constexpr char16_t kFailurePredictNamespace[] = u"root\\WMI";
inline constexpr char16_t kFailurePredictStatusClass[] = u"MSStorageDriver_FailurePredictStatus";
inline constexpr char16_t kFailurePredictDataClass[] = u"MSStorageDriver_FailurePredictData";

// Report lines of the two collectors.
namespace failure_predict_line {
inline constexpr std::int32_t StatusQuery = 296;
inline constexpr std::int32_t StatusNoRows = 302;
inline constexpr std::int32_t StatusInstanceName = 310;
inline constexpr std::int32_t StatusActive = 321;
inline constexpr std::int32_t StatusPredictFailure = 329;
inline constexpr std::int32_t DataQuery = 349;
inline constexpr std::int32_t DataNoRows = 355;
inline constexpr std::int32_t DataInstanceName = 363;
inline constexpr std::int32_t DataActive = 374;
inline constexpr std::int32_t DataVendorSpecific = 383;
inline constexpr std::int32_t DataNotArray = 389;
}  // namespace failure_predict_line

// Sets Active and PredictFailure (0 or 1). A failure after Active was stored
// leaves it set; callers read both only when this returned 0.
[[nodiscard]] int QueryFailurePredictStatus(WmiSource& wmi, std::u16string_view instance, PipeReply& reply);

// Sets DataLength and the first DataLength bytes of Data from the row's
// "VendorSpecific" array: one byte per element (the low 8 bits of its decimal
// value, 0 when it is not a number), at most PIPE_DATA_SIZE of them.
[[nodiscard]] int QueryFailurePredictData(WmiSource& wmi, std::u16string_view instance, PipeReply& reply);

}  // namespace velmora
