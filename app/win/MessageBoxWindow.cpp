#include "app/win/MessageBoxWindow.h"

#include <algorithm>
#include <string>

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

LPCSTR KindIcon(MessageKind kind) noexcept {
    switch (kind) {
        case MessageKind::Error: return IDI_HAND;
        case MessageKind::Warning: return IDI_EXCLAMATION;
        case MessageKind::Information: break;
    }
    return IDI_ASTERISK;
}

class MessageBoxWindow final : public ModalWindow {
public:
    MessageBoxWindow(MessageKind kind, std::string_view text, MessageButton button)
        : kind_(kind), text_(text), button_(button), font_(CreateMessageFont()) {
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

    [[nodiscard]] ModalFrame Frame() const override {
        const int width = std::max(kMargin + kIconSize + kTextGap + textWidth_ + kMargin, kButtonWidth + 2 * kMargin);
        const int height = kMargin + ContentHeight() + 2 * kMargin + kButtonHeight + kMargin;
        return {MessageKindTitle(kind_), width, height, false};
    }

    void OnInit() override {
        const ModalFrame frame = Frame();
        HWND icon = AddControl("STATIC", "", SS_ICON, kMargin, kMargin, kIconSize, kIconSize, IDC_BOX_ICON);
        ::SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconA(nullptr, KindIcon(kind_))), 0);
        const int textTop = kMargin + (ContentHeight() - textHeight_) / 2;
        HWND text = AddControl("STATIC", text_.c_str(), SS_LEFT | SS_NOPREFIX, kMargin + kIconSize + kTextGap,
                               textTop, textWidth_, textHeight_, IDC_BOX_TEXT);
        const int buttonId = MessageButtonId(button_);
        HWND button = AddControl("BUTTON", MessageButtonText(button_), BS_DEFPUSHBUTTON | WS_TABSTOP,
                                 (frame.ClientWidth - kButtonWidth) / 2, frame.ClientHeight - kMargin - kButtonHeight,
                                 kButtonWidth, kButtonHeight, buttonId);
        for (HWND control : {text, button}) SetControlFont(control, font_);
        ::SendMessageA(Handle(), DM_SETDEFID, static_cast<WPARAM>(buttonId), 0);
        ::SetFocus(button);
    }

    bool OnCommand(int id, int notifyCode) override {
        if (id == MessageButtonId(button_)) {
            End(id);
            return true;
        }
        return ModalWindow::OnCommand(id, notifyCode);
    }

    MessageKind kind_;
    std::string text_;
    MessageButton button_;
    GdiObject font_;
    int textWidth_ = 0;
    int textHeight_ = 0;
};

}  // namespace

const char* MessageKindTitle(MessageKind kind) noexcept {
    switch (kind) {
        case MessageKind::Error: return "Error";
        case MessageKind::Warning: return "Warning";
        case MessageKind::Information: break;
    }
    return "Information";
}

const char* MessageButtonText(MessageButton button) noexcept {
    switch (button) {
        case MessageButton::Abort: return "&Abort";
        case MessageButton::Yes: return "&Yes";
        case MessageButton::Ok: break;
    }
    return "OK";
}

int MessageButtonId(MessageButton button) noexcept {
    switch (button) {
        case MessageButton::Abort: return IDABORT;
        case MessageButton::Yes: return IDYES;
        case MessageButton::Ok: break;
    }
    return IDOK;
}

int ShowMessageBox(HWND owner, MessageKind kind, std::string_view text, MessageButton button) {
    MessageBoxWindow box(kind, text, button);
    return static_cast<int>(box.Run(owner));
}

}  // namespace velmora::win
