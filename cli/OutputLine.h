#pragma once
// One line of console output built in a buffer on the stack and appended
// to the output in one piece: hundreds of thousands of rows of small
// appends to a 100 MB string cost more than reading the rows. Text that
// does not fit goes out as it comes.

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "history/HistoryTime.h"

namespace velmora::cli {

class OutputLine {
public:
    explicit OutputLine(std::string& out) : out_(out) {}
    OutputLine(const OutputLine&) = delete;
    OutputLine& operator=(const OutputLine&) = delete;

    void Put(std::string_view text) {
        if (text.size() > Space()) {
            End();
            if (text.size() > sizeof data_) {
                out_ += text;
                return;
            }
        }
        std::memcpy(end_, text.data(), text.size());
        end_ += text.size();
    }
    void Spaces(std::size_t count) {
        for (; count > 0; --count) Put(" ");
    }
    void Number(std::int64_t value) {
        if (Space() < kNumberMax) End();
        end_ = std::to_chars(end_, end_ + kNumberMax, value).ptr;
    }
    void Time(std::int64_t unixSeconds) {
        if (Space() < history::kUtcTimeTextMax) End();
        end_ = history::WriteUtcTime(end_, unixSeconds);
    }
    // Where the line has got to in the output, for padding a column.
    [[nodiscard]] std::size_t Position() const { return out_.size() + static_cast<std::size_t>(end_ - data_); }
    // Appends what the buffer holds; also before writing to the output directly.
    std::string& End() {
        out_.append(data_, end_);
        end_ = data_;
        return out_;
    }

private:
    static constexpr std::size_t kNumberMax = 20;  // "-9223372036854775808"
    [[nodiscard]] std::size_t Space() const { return static_cast<std::size_t>(data_ + sizeof data_ - end_); }

    std::string& out_;
    char data_[512];
    char* end_ = data_;
};

}  // namespace velmora::cli
