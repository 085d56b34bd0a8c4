#pragma once
// Tells the user after a failure was written to the event log: the
// "Internal error!" box with a single Abort button over the active window.

#include "common/ErrorReport.h"

namespace velmora::win {

class BoxErrorNotifier final : public ErrorNotifier {
public:
    void NotifyInternalError(std::string_view entryText) noexcept override;
};

}  // namespace velmora::win
