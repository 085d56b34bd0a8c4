#include "service/FailurePredict.h"

#include <charconv>
#include <string>

#include "common/ErrorReport.h"
#include "common/WmiTable.h"
#include "common/WmiVariant.h"
#include "service/InstanceMatch.h"

namespace velmora {

namespace {

constexpr char16_t kInstanceName[] = u"InstanceName";
constexpr char16_t kActive[] = u"Active";
constexpr char16_t kPredictFailure[] = u"PredictFailure";
constexpr char16_t kVendorSpecific[] = u"VendorSpecific";

// Conversion failures are reported with this code: the read itself worked,
// so there is no layer result to give.
constexpr std::int32_t kConversionFailed = 0;

constexpr int kNoMatch = -2;
constexpr int kFailed = -1;

struct Query {
    std::u16string_view className;
    std::int32_t queryLine;
    std::int32_t noRowsLine;
    std::int32_t instanceNameLine;
};

// Runs the query and finds the first matching row. Returns the row index,
// kFailed after a report, or kNoMatch silently.
[[nodiscard]] int SelectRow(WmiTable& table, const Query& query, std::u16string_view instance) {
    const int executed = table.Execute(kFailurePredictNamespace, query.className);
    if (executed != 0) {
        ReportError(unit::Umain, query.queryLine, executed);
        return kFailed;
    }
    const int rows = table.RowCount();
    if (rows < 1) {
        ReportError(unit::Umain, query.noRowsLine, rows);
        return kFailed;
    }
    WmiVariant value;
    for (int row = 0; row < rows; ++row) {
        const int read = table.GetValue(row, kInstanceName, value);
        if (read != 0) {
            ReportError(unit::Umain, query.instanceNameLine, read);
            return kFailed;
        }
        std::u16string name;
        try {
            name = value.ToText();
        } catch (const VariantConversionError&) {
            ReportError(unit::Umain, query.instanceNameLine, kConversionFailed);
            return kFailed;
        }
        if (InstanceNameMatches(name, instance)) return row;
    }
    return kNoMatch;
}

// Reads one property as a 32-bit integer and keeps its lowest bit.
[[nodiscard]] bool ReadFlag(const WmiTable& table, int row, std::u16string_view name, std::int32_t line,
                            std::int32_t& flag) {
    WmiVariant value;
    const int read = table.GetValue(row, name, value);
    if (read != 0) {
        ReportError(unit::Umain, line, read);
        return false;
    }
    try {
        flag = value.ToInt32() & 1;
    } catch (const VariantConversionError&) {
        ReportError(unit::Umain, line, kConversionFailed);
        return false;
    }
    return true;
}

// Dimension-1 bounds; false for a value that is no array, or an array whose
// bounds cannot be read (one kept opaque).
[[nodiscard]] bool ReadArrayBounds(const WmiVariant& value, std::int64_t& lower, std::int64_t& upper) {
    if (!value.IsArray()) return false;
    try {
        lower = value.LowerBound();
        upper = value.UpperBound();
    } catch (const VariantConversionError&) {
        return false;
    }
    return true;
}

// The element-to-byte rule: decimal text (blanks around it and a sign
// allowed), low 8 bits; anything that is not such a number gives 0.
[[nodiscard]] std::uint8_t ElementByte(const WmiVariant& array, std::int32_t index) {
    std::u16string text;
    try {
        text = array.Element(index).ToText();
    } catch (const VariantConversionError&) {
        return 0;
    }
    std::string ascii;
    ascii.reserve(text.size());
    for (char16_t c : text) {
        if (c >= 0x80) return 0;
        ascii.push_back(static_cast<char>(c));
    }
    const std::size_t first = ascii.find_first_not_of(" \t");
    if (first == std::string::npos) return 0;
    const std::size_t last = ascii.find_last_not_of(" \t");
    const char* begin = ascii.data() + first;
    const char* end = ascii.data() + last + 1;
    if (*begin == '+') ++begin;
    std::int64_t number = 0;
    const auto [stop, error] = std::from_chars(begin, end, number);
    if (error != std::errc() || stop != end) return 0;
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(number) & 0xFF);
}

}  // namespace

int QueryFailurePredictStatus(WmiSource& wmi, std::u16string_view instance, PipeReply& reply) {
    using namespace failure_predict_line;
    WmiTable table(wmi);
    const int row = SelectRow(table, {kFailurePredictStatusClass, StatusQuery, StatusNoRows, StatusInstanceName},
                              instance);
    if (row < 0) return -1;
    if (!ReadFlag(table, row, kActive, StatusActive, reply.Active)) return -1;
    if (!ReadFlag(table, row, kPredictFailure, StatusPredictFailure, reply.PredictFailure)) return -1;
    return 0;
}

int QueryFailurePredictData(WmiSource& wmi, std::u16string_view instance, PipeReply& reply) {
    using namespace failure_predict_line;
    WmiTable table(wmi);
    const int row = SelectRow(table, {kFailurePredictDataClass, DataQuery, DataNoRows, DataInstanceName}, instance);
    if (row < 0) return -1;

    WmiVariant value;
    // "Active" must be readable, though its value does not matter here.
    int read = table.GetValue(row, kActive, value);
    if (read != 0) {
        ReportError(unit::Umain, DataActive, read);
        return -1;
    }
    read = table.GetValue(row, kVendorSpecific, value);
    if (read != 0) {
        ReportError(unit::Umain, DataVendorSpecific, read);
        return -1;
    }
    std::int64_t lower = 0;
    std::int64_t upper = -1;
    if (!ReadArrayBounds(value, lower, upper)) {
        ReportError(unit::Umain, DataNotArray, 0);
        return -1;
    }

    // The index limit alone would let a negative lower bound write past Data,
    // so the byte count is capped as well.
    std::size_t count = 0;
    for (std::int64_t i = lower; i <= upper && i < static_cast<std::int64_t>(PIPE_DATA_SIZE) && count < PIPE_DATA_SIZE;
         ++i) {
        reply.Data[count] = ElementByte(value, static_cast<std::int32_t>(i));
        ++count;
    }
    reply.DataLength = static_cast<std::int32_t>(count);
    return 0;
}

}  // namespace velmora
