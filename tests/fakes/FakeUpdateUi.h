#pragma once
// Records everything the update flow shows, in order, and answers from
// queues given by the test: confirmation answers (Yes when the queue is
// empty is never assumed: an unexpected question answers No) and save
// dialog choices (cancel when the queue is empty). A hook runs before each
// answer, so a test can act "while the box is open" (close the window,
// start a second check).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/UpdateUi.h"

namespace velmora::fakes {

class FakeUpdateUi final : public update::UpdateUi {
public:
    struct Event {
        enum class Kind { Confirm, Inform, SaveDialog, Caption } What;
        std::string Text;
        update::InfoButton Button = update::InfoButton::Ok;
    };

    bool Confirm(const std::string& text) override {
        Events.push_back({Event::Kind::Confirm, text});
        RunHook();
        if (Answers.empty()) return false;
        const bool yes = Answers.front();
        Answers.pop_front();
        return yes;
    }
    void Inform(const std::string& text, update::InfoButton button) override {
        Events.push_back({Event::Kind::Inform, text, button});
        RunHook();
    }
    std::optional<std::string> ChooseSaveFile(const std::string& proposedName) override {
        Events.push_back({Event::Kind::SaveDialog, proposedName});
        RunHook();
        if (SavePaths.empty()) return std::nullopt;
        std::optional<std::string> path = SavePaths.front();
        SavePaths.pop_front();
        return path;
    }
    void SetCaption(const std::string& text) override { Events.push_back({Event::Kind::Caption, text}); }

    [[nodiscard]] std::vector<std::string> TextsOf(Event::Kind kind) const {
        std::vector<std::string> texts;
        for (const Event& event : Events) {
            if (event.What == kind) texts.push_back(event.Text);
        }
        return texts;
    }
    [[nodiscard]] std::vector<std::string> Questions() const { return TextsOf(Event::Kind::Confirm); }
    [[nodiscard]] std::vector<std::string> Infos() const { return TextsOf(Event::Kind::Inform); }
    [[nodiscard]] std::vector<std::string> Captions() const { return TextsOf(Event::Kind::Caption); }
    [[nodiscard]] std::vector<std::string> SaveDialogs() const { return TextsOf(Event::Kind::SaveDialog); }

    std::deque<bool> Answers;
    std::deque<std::optional<std::string>> SavePaths;
    std::vector<Event> Events;
    std::function<void()> BeforeAnswer;

private:
    void RunHook() {
        if (BeforeAnswer) BeforeAnswer();
    }
};

}  // namespace velmora::fakes
