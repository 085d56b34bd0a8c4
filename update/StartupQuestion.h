#pragma once
// The start-up question TFCheckForUpdates, as its caller sees it: the dialog
// has no logic of its own; LoadSettings reads its result and check box.

namespace velmora::update {

struct StartupAnswer {
    bool Yes = false;       // closed with Yes; No, Esc and closing all count as not Yes
    bool DontAsk = false;   // CBDontAsk was checked
};

class StartupQuestion {
public:
    virtual ~StartupQuestion() = default;
    // Shows the dialog modally and destroys it.
    [[nodiscard]] virtual StartupAnswer Ask() = 0;
};

}  // namespace velmora::update
