#include "history/HistoryTime.h"

#include <charconv>
#include <chrono>

namespace velmora::history {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// 0001-01-01T00:00:00Z and 9999-12-31T23:59:59Z.
constexpr std::int64_t kFirstSecond = -62135596800;
constexpr std::int64_t kLastSecond = 253402300799;

// Writes value as exactly `digits` decimal digits ending before end.
char* PutDigits(char* end, unsigned value, int digits) {
    for (int i = 0; i < digits; ++i) {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return end;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

}  // namespace

char* WriteUtcTime(char* at, std::int64_t unixSeconds) {
    if (unixSeconds < kFirstSecond || unixSeconds > kLastSecond)
        return std::to_chars(at, at + kUtcTimeTextMax, unixSeconds).ptr;
    const std::int64_t days = FloorDiv(unixSeconds, kSecondsPerDay);
    const auto secondOfDay = static_cast<unsigned>(unixSeconds - days * kSecondsPerDay);
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
    constexpr std::size_t kLength = 20;  // YYYY-MM-DDTHH:MM:SSZ
    char* end = at + kLength;
    *--end = 'Z';
    end = PutDigits(end, secondOfDay % 60, 2);
    *--end = ':';
    end = PutDigits(end, secondOfDay / 60 % 60, 2);
    *--end = ':';
    end = PutDigits(end, secondOfDay / 3600, 2);
    *--end = 'T';
    end = PutDigits(end, static_cast<unsigned>(date.day()), 2);
    *--end = '-';
    end = PutDigits(end, static_cast<unsigned>(date.month()), 2);
    *--end = '-';
    PutDigits(end, static_cast<unsigned>(static_cast<int>(date.year())), 4);
    return at + kLength;
}

std::string UtcTimeText(std::int64_t unixSeconds) {
    char text[kUtcTimeTextMax];
    return std::string(text, WriteUtcTime(text, unixSeconds));
}

std::optional<std::int64_t> ParseUtcDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t length) -> std::optional<unsigned> {
        unsigned value = 0;
        for (const char c : text.substr(at, length)) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        return value;
    };
    const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (!year || !month || !day || *year == 0) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{static_cast<int>(*year)}, std::chrono::month{*month},
                                           std::chrono::day{*day}};
    if (!date.ok()) return std::nullopt;
    return std::int64_t{std::chrono::sys_days{date}.time_since_epoch().count()} * kSecondsPerDay;
}

}  // namespace velmora::history
