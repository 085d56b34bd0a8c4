#include "app/win/MessageBoxWindow.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/ProgramTexts.h"
#include "app/win/AppResources.h"
#include "app/win/GuiFonts.h"
#include "app/win/ModalWindow.h"

namespace velmora::win {

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kTextGap = 12;
constexpr int kMaxTextWidth = 420;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 8;

LPCSTR KindIcon(MessageKind kind) noexcept {
    switch (kind) {
        case MessageKind::Error: return IDI_HAND;
        case MessageKind::Warning: return IDI_EXCLAMATION;
        case MessageKind::Information: break;
    }
    return IDI_ASTERISK;
}

struct BoxButton {
    const char* Text;
    int Id;
};

class MessageBoxWindow final : public ModalWindow {
public:
    // The first button is the default one.
    MessageBoxWindow(const char* title, LPCSTR icon, std::string_view text, std::vector<BoxButton> buttons)
        : title_(title), icon_(icon), text_(text), buttons_(std::move(buttons)), font_(CreateMessageFont()) {
        MeasureText();
    }

private:
    void MeasureText() {
        HDC dc = ::GetDC(nullptr);
        HGDIOBJ previous = ::SelectObject(dc, font_.get());
        RECT rect{0, 0, kMaxTextWidth, 0};
        ::DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &rect,
                    DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        ::SelectObject(dc, previous);
        ::ReleaseDC(nullptr, dc);
        textWidth_ = std::max<int>(rect.right - rect.left, 1) + 4;
        textHeight_ = std::max<int>(rect.bottom - rect.top, 1);
    }

    [[nodiscard]] int ContentHeight() const { return std::max(textHeight_, kIconSize); }

    [[nodiscard]] int ButtonsWidth() const {
        const int count = static_cast<int>(buttons_.size());
        return count * kButtonWidth + (count - 1) * kButtonGap;
    }

    [[nodiscard]] ModalFrame Frame() const override {
        const int width = std::max(kMargin + kIconSize + kTextGap + textWidth_ + kMargin, ButtonsWidth() + 2 * kMargin);
        const int height = kMargin + ContentHeight() + 2 * kMargin + kButtonHeight + kMargin;
        return {title_, width, height, false};
    }

    void OnInit() override {
        const ModalFrame frame = Frame();
        HWND icon = AddControl("STATIC", "", SS_ICON, kMargin, kMargin, kIconSize, kIconSize, IDC_BOX_ICON);
        ::SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconA(nullptr, icon_)), 0);
        const int textTop = kMargin + (ContentHeight() - textHeight_) / 2;
        HWND text = AddControl("STATIC", text_.c_str(), SS_LEFT | SS_NOPREFIX, kMargin + kIconSize + kTextGap,
                               textTop, textWidth_, textHeight_, IDC_BOX_TEXT);
        SetControlFont(text, font_);
        int x = (frame.ClientWidth - ButtonsWidth()) / 2;
        HWND first = nullptr;
        for (const BoxButton& entry : buttons_) {
            const DWORD kind = first ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON;
            HWND button = AddControl("BUTTON", entry.Text, kind | WS_TABSTOP, x,
                                     frame.ClientHeight - kMargin - kButtonHeight, kButtonWidth, kButtonHeight,
                                     entry.Id);
            SetControlFont(button, font_);
            if (!first) first = button;
            x += kButtonWidth + kButtonGap;
        }
        ::SendMessageA(Handle(), DM_SETDEFID, static_cast<WPARAM>(buttons_.front().Id), 0);
        ::SetFocus(first);
    }

    bool OnCommand(int id, int notifyCode) override {
        for (const BoxButton& entry : buttons_) {
            if (id == entry.Id) {
                End(id);
                return true;
            }
        }
        return ModalWindow::OnCommand(id, notifyCode);
    }

    std::string title_;
    LPCSTR icon_;
    std::string text_;
    std::vector<BoxButton> buttons_;
    GdiObject font_;
    int textWidth_ = 0;
    int textHeight_ = 0;
};

const char* MessageKindTitle(MessageKind kind) noexcept {
    switch (kind) {
        case MessageKind::Error: return kErrorCaption;
        case MessageKind::Warning: return kWarningCaption;
        case MessageKind::Information: break;
    }
    return kInformationCaption;
}

const char* MessageButtonText(MessageButton button) noexcept {
    switch (button) {
        case MessageButton::Abort: return "&Abort";
        case MessageButton::Yes: return kYesButtonText;
        case MessageButton::Ok: break;
    }
    return "OK";
}

// IDABORT, IDYES or IDOK.
int MessageButtonId(MessageButton button) noexcept {
    switch (button) {
        case MessageButton::Abort: return IDABORT;
        case MessageButton::Yes: return IDYES;
        case MessageButton::Ok: break;
    }
    return IDOK;
}

}  // namespace

int ShowMessageBox(HWND owner, MessageKind kind, std::string_view text, MessageButton button) {
    MessageBoxWindow box(MessageKindTitle(kind), KindIcon(kind), text,
                         {{MessageButtonText(button), MessageButtonId(button)}});
    return static_cast<int>(box.Run(owner));
}

bool ShowConfirmBox(HWND owner, std::string_view text) {
    MessageBoxWindow box(kConfirmTitle, IDI_QUESTION, text, {{kYesButtonText, IDYES}, {kNoButtonText, IDNO}});
    return box.Run(owner) == IDYES;
}

}  // namespace velmora::win
