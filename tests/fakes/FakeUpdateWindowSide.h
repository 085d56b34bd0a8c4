#pragma once
// The main window as the update flow sees it: records everything it is
// asked, in order, and answers from what the test gives: confirmation
// answers (an unexpected question answers No), save dialog choices (cancel
// when none are left), the start-up question's answer, the check mark, and
// what the connection settings dialog does. A hook runs inside each box and
// dialog, so a test can act "while it is open" (close the window, start a
// second command).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "update/UpdateWindowSide.h"

namespace velmora::fakes {

class FakeUpdateWindowSide final : public update::UpdateWindowSide {
public:
    struct Event {
        enum class Kind {
            Confirm,
            Inform,
            Error,
            SaveDialog,
            Caption,
            Question,
            ConnectionSettings,
            Mark,
            Menu,
            Refresh,
            CloseOwned,
        } What;
        std::string Text;
        update::InfoButton Button = update::InfoButton::Ok;
    };
    using Kind = Event::Kind;

    bool Confirm(const std::string& text) override {
        Record(Kind::Confirm, text);
        RunHook();
        if (Answers.empty()) return false;
        const bool yes = Answers.front();
        Answers.pop_front();
        return yes;
    }
    void Inform(const std::string& text, update::InfoButton button) override {
        Events.push_back({Kind::Inform, text, button});
        RunHook();
    }
    void ShowError(const std::string& text) override {
        Record(Kind::Error, text);
        RunHook();
    }
    std::optional<std::string> ChooseSaveFile(const std::string& proposedName) override {
        Record(Kind::SaveDialog, proposedName);
        RunHook();
        if (SavePaths.empty()) return std::nullopt;
        std::optional<std::string> path = SavePaths.front();
        SavePaths.pop_front();
        return path;
    }
    void SetCaption(const std::string& text) override { Record(Kind::Caption, text); }
    update::StartupAnswer AskStartupQuestion() override {
        Record(Kind::Question, {});
        RunHook();
        return StartupAnswer;
    }
    void EditConnectionSettings(update::ProxySettings& proxy, update::SettingsStore& store) override {
        Record(Kind::ConnectionSettings, {});
        RunHook();
        if (ConnectionDialog) ConnectionDialog(proxy, store);
    }
    bool CheckOnStartUpMarked() override { return Marked; }
    void MarkCheckOnStartUp(bool checked) override {
        Marked = checked;
        Record(Kind::Mark, checked ? "on" : "off");
    }
    void EnableUpdatesMenu() override { Record(Kind::Menu, {}); }
    void ShowSelectedDrive() override { Record(Kind::Refresh, {}); }
    void CloseOwnedWindows() noexcept override { Record(Kind::CloseOwned, {}); }

    [[nodiscard]] std::vector<std::string> TextsOf(Kind kind) const {
        std::vector<std::string> texts;
        for (const Event& event : Events) {
            if (event.What == kind) texts.push_back(event.Text);
        }
        return texts;
    }
    [[nodiscard]] int CountOf(Kind kind) const { return static_cast<int>(TextsOf(kind).size()); }
    [[nodiscard]] std::vector<std::string> Questions() const { return TextsOf(Kind::Confirm); }
    [[nodiscard]] std::vector<std::string> Infos() const { return TextsOf(Kind::Inform); }
    [[nodiscard]] std::vector<std::string> Captions() const { return TextsOf(Kind::Caption); }
    [[nodiscard]] std::vector<std::string> SaveDialogs() const { return TextsOf(Kind::SaveDialog); }
    // The menu, the refresh and the error box, in order: "mark on",
    // "error: TEXT", "refresh", "menu".
    [[nodiscard]] std::vector<std::string> WindowSteps() const {
        std::vector<std::string> steps;
        for (const Event& event : Events) {
            if (event.What == Kind::Mark) steps.push_back("mark " + event.Text);
            if (event.What == Kind::Error) steps.push_back("error: " + event.Text);
            if (event.What == Kind::Refresh) steps.emplace_back("refresh");
            if (event.What == Kind::Menu) steps.emplace_back("menu");
        }
        return steps;
    }

    // Answers.
    std::deque<bool> Answers;
    std::deque<std::optional<std::string>> SavePaths;
    update::StartupAnswer StartupAnswer;
    bool Marked = false;
    std::function<void(update::ProxySettings&, update::SettingsStore&)> ConnectionDialog;
    std::function<void()> WhileOpen;  // runs inside every box and dialog

    std::vector<Event> Events;

private:
    void Record(Kind kind, std::string text) { Events.push_back({kind, std::move(text)}); }
    void RunHook() {
        if (WhileOpen) WhileOpen();
    }
};

}  // namespace velmora::fakes
