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
    // The first button is the default one. The box is laid out at the DPI
    // of the display it opens on, and again when it moves to another.
    MessageBoxWindow(const char* title, LPCSTR icon, std::string_view text, std::vector<BoxButton> buttons)
        : title_(title), icon_(icon), text_(text), buttons_(std::move(buttons)) {}

private:
    struct TextSize {
        int Width;
        int Height;
    };

    // The text's place at the window's DPI, measured in font.
    [[nodiscard]] TextSize Measure(const GdiObject& font) const {
        HDC dc = ::GetDC(nullptr);
        HGDIOBJ previous = ::SelectObject(dc, font.get());
        RECT rect{0, 0, Scale(kMaxTextWidth), 0};
        ::DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &rect,
                    DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        ::SelectObject(dc, previous);
        ::ReleaseDC(nullptr, dc);
        return {std::max<int>(rect.right - rect.left, 1) + 4, std::max<int>(rect.bottom - rect.top, 1)};
    }

    [[nodiscard]] int ContentHeight(const TextSize& text) const { return std::max(text.Height, Scale(kIconSize)); }

    [[nodiscard]] int ButtonsWidth() const {
        const int count = static_cast<int>(buttons_.size());
        return count * Scale(kButtonWidth) + (count - 1) * Scale(kButtonGap);
    }

    [[nodiscard]] ModalFrame Frame() const override {
        const TextSize text = Measure(CreateMessageFont(Dpi()));
        const int width = std::max(Scale(kMargin) + Scale(kIconSize) + Scale(kTextGap) + text.Width + Scale(kMargin),
                                   ButtonsWidth() + 2 * Scale(kMargin));
        const int height =
            Scale(kMargin) + ContentHeight(text) + 2 * Scale(kMargin) + Scale(kButtonHeight) + Scale(kMargin);
        return {title_, width, height, false};
    }

    void OnInit() override {
        (void)AddControl("STATIC", "", SS_ICON, 0, 0, 0, 0, IDC_BOX_ICON);
        (void)AddControl("STATIC", text_.c_str(), SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, IDC_BOX_TEXT);
        for (const BoxButton& entry : buttons_) {
            const DWORD kind = &entry == &buttons_.front() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            (void)AddControl("BUTTON", entry.Text, kind | WS_TABSTOP, 0, 0, 0, 0, entry.Id);
        }
        ::SendMessageA(Handle(), DM_SETDEFID, static_cast<WPARAM>(buttons_.front().Id), 0);
        ::SetFocus(::GetDlgItem(Handle(), buttons_.front().Id));
    }

    void LayOut() override {
        constexpr UINT kPlace = SWP_NOZORDER | SWP_NOACTIVATE;
        // The old font goes once the controls have the new one.
        const GdiObject previousFont = std::exchange(font_, CreateMessageFont(Dpi()));
        const TextSize text = Measure(font_);
        const int iconSize = Scale(kIconSize);
        HWND icon = ::GetDlgItem(Handle(), IDC_BOX_ICON);
        // The icon drawn for the slot's size: the control would otherwise
        // grow to the icon's own size and run into the text.
        HANDLE image = ::LoadImageA(nullptr, icon_, IMAGE_ICON, iconSize, iconSize, LR_SHARED);
        ::SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(image ? image : ::LoadIconA(nullptr, icon_)), 0);
        ::SetWindowPos(icon, nullptr, Scale(kMargin), Scale(kMargin), iconSize, iconSize, kPlace);
        const int textTop = Scale(kMargin) + (ContentHeight(text) - text.Height) / 2;
        HWND label = ::GetDlgItem(Handle(), IDC_BOX_TEXT);
        ::SetWindowPos(label, nullptr, Scale(kMargin) + iconSize + Scale(kTextGap), textTop, text.Width, text.Height,
                       kPlace);
        SetControlFont(label, font_);
        // Centred at the bottom of the window as it is, which after a DPI
        // change may be a little larger than the frame.
        RECT client;
        ::GetClientRect(Handle(), &client);
        int x = (client.right - ButtonsWidth()) / 2;
        for (const BoxButton& entry : buttons_) {
            HWND button = ::GetDlgItem(Handle(), entry.Id);
            ::SetWindowPos(button, nullptr, x, client.bottom - Scale(kMargin) - Scale(kButtonHeight),
                           Scale(kButtonWidth), Scale(kButtonHeight), kPlace);
            SetControlFont(button, font_);
            x += Scale(kButtonWidth) + Scale(kButtonGap);
        }
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
