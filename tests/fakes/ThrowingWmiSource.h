#pragma once
// A WMI source whose every query raises, as the table does when memory runs
// out; it counts the queries it refused.

#include <stdexcept>
#include <string_view>

#include "common/ProgramTexts.h"
#include "common/WmiSource.h"

namespace velmora::fakes {

class ThrowingWmiSource final : public WmiSource {
public:
    int Execute(std::u16string_view, std::u16string_view, WmiTable&) override {
        ++ExecuteCount;
        throw std::runtime_error(kOutOfMemoryText);
    }

    int ExecuteCount = 0;
};

}  // namespace velmora::fakes
