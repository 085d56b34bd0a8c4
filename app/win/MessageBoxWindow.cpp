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

// Sizes at 96 DPI.
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
    // The first button is the default one. The box is laid out at the
    // owner's DPI (the system's without an owner), where it opens.
    MessageBoxWindow(HWND owner, const char* title, LPCSTR icon, std::string_view text, std::vector<BoxButton> buttons)
        : title_(title),
          icon_(icon),
          text_(text),
          buttons_(std::move(buttons)),
          dpi_(WindowDpi(owner)),
          font_(CreateMessageFont(dpi_)) {
        MeasureText();
    }

private:
    [[nodiscard]] int Scale(int size) const noexcept { return ScaleToDpi(size, dpi_); }

    void MeasureText() {
        HDC dc = ::GetDC(nullptr);
        HGDIOBJ previous = ::SelectObject(dc, font_.get());
        RECT rect{0, 0, Scale(kMaxTextWidth), 0};
        ::DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &rect,
                    DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        ::SelectObject(dc, previous);
        ::ReleaseDC(nullptr, dc);
        textWidth_ = std::max<int>(rect.right - rect.left, 1) + 4;
        textHeight_ = std::max<int>(rect.bottom - rect.top, 1);
    }

    [[nodiscard]] int ContentHeight() const { return std::max(textHeight_, Scale(kIconSize)); }

    [[nodiscard]] int ButtonsWidth() const {
        const int count = static_cast<int>(buttons_.size());
        return count * Scale(kButtonWidth) + (count - 1) * Scale(kButtonGap);
    }

    [[nodiscard]] ModalFrame Frame() const override {
        const int width = std::max(Scale(kMargin) + Scale(kIconSize) + Scale(kTextGap) + textWidth_ + Scale(kMargin),
                                   ButtonsWidth() + 2 * Scale(kMargin));
        const int height =
            Scale(kMargin) + ContentHeight() + 2 * Scale(kMargin) + Scale(kButtonHeight) + Scale(kMargin);
        return {title_, width, height, false};
    }

    void OnInit() override {
        const ModalFrame frame = Frame();
        const int iconSize = Scale(kIconSize);
        HWND icon = AddControl("STATIC", "", SS_ICON, Scale(kMargin), Scale(kMargin), iconSize, iconSize, IDC_BOX_ICON);
        // The icon drawn for the slot's size: the control would otherwise
        // grow to the icon's own size and run into the text.
        HANDLE image = ::LoadImageA(nullptr, icon_, IMAGE_ICON, iconSize, iconSize, LR_SHARED);
        ::SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(image ? image : ::LoadIconA(nullptr, icon_)), 0);
        ::SetWindowPos(icon, nullptr, Scale(kMargin), Scale(kMargin), iconSize, iconSize,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        const int textTop = Scale(kMargin) + (ContentHeight() - textHeight_) / 2;
        HWND text =
            AddControl("STATIC", text_.c_str(), SS_LEFT | SS_NOPREFIX, Scale(kMargin) + iconSize + Scale(kTextGap),
                       textTop, textWidth_, textHeight_, IDC_BOX_TEXT);
        SetControlFont(text, font_);
        int x = (frame.ClientWidth - ButtonsWidth()) / 2;
        HWND first = nullptr;
        for (const BoxButton& entry : buttons_) {
            const DWORD kind = first ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON;
            HWND button = AddControl("BUTTON", entry.Text, kind | WS_TABSTOP, x,
                                     frame.ClientHeight - Scale(kMargin) - Scale(kButtonHeight), Scale(kButtonWidth),
                                     Scale(kButtonHeight), entry.Id);
            SetControlFont(button, font_);
            if (!first) first = button;
            x += Scale(kButtonWidth) + Scale(kButtonGap);
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
    UINT dpi_;
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
    MessageBoxWindow box(owner, MessageKindTitle(kind), KindIcon(kind), text,
                         {{MessageButtonText(button), MessageButtonId(button)}});
    return static_cast<int>(box.Run(owner));
}

bool ShowConfirmBox(HWND owner, std::string_view text) {
    MessageBoxWindow box(owner, kConfirmTitle, IDI_QUESTION, text, {{kYesButtonText, IDYES}, {kNoButtonText, IDNO}});
    return box.Run(owner) == IDYES;
}

}  // namespace velmora::win
