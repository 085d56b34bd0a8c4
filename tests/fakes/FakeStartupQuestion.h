#pragma once
// The start-up question answered by the test; counts how often it appeared.

#include "update/StartupQuestion.h"

namespace velmora::fakes {

class FakeStartupQuestion final : public update::StartupQuestion {
public:
    update::StartupAnswer Ask() override {
        ++Shown;
        return Answer;
    }
    update::StartupAnswer Answer;
    int Shown = 0;
};

}  // namespace velmora::fakes
