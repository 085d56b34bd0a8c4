#include "app/win/InfoWindows.h"

#include <utility>

#include "app/win/AppResources.h"
#include "app/win/BmpFile.h"
#include "app/win/GuiFonts.h"
#include "app/win/ModalWindow.h"
#include "app/win/PictureControl.h"

namespace velmora::win {

namespace {

class AboutWindow final : public ModalWindow {
    [[nodiscard]] ModalFrame Frame() const override { return {"About", Scale(330), Scale(330), false}; }
    void OnInit() override { (void)AddControl(kPictureClass, VELMORA_RES_ABOUT, 0, 0, 0, 0, 0, IDC_INFO_PICTURE); }
    // The picture control draws the set made for its DPI itself.
    void LayOut() override {
        ::SetWindowPos(::GetDlgItem(Handle(), IDC_INFO_PICTURE), nullptr, 0, 0, Scale(330), Scale(330),
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

struct TextWindowDesign {
    const char* Caption;
    int Width;
    int Height;
    const char* Resource;
    bool ReadOnly;
};

// Memo1 fills the window; edits in the licence window are simply lost.
class TextWindow final : public ModalWindow {
public:
    explicit TextWindow(const TextWindowDesign& design) : design_(design) {}

private:
    [[nodiscard]] ModalFrame Frame() const override {
        return {design_.Caption, Scale(design_.Width), Scale(design_.Height), true};
    }
    void OnInit() override {
        const auto bytes = ResourceBytes(design_.Resource);
        const std::string text =
            EditControlText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP;
        // Enter breaks the line in the editable text instead of going to the dialog.
        style |= design_.ReadOnly ? ES_READONLY : ES_WANTRETURN;
        HWND memo = AddControl("EDIT", "", style, 0, 0, 0, 0, IDC_INFO_TEXT);
        ::SendMessageA(memo, EM_SETLIMITTEXT, 0, 0);
        ::SetWindowTextA(memo, text.c_str());
    }
    void LayOut() override {
        // The old font goes once the memo has the new one.
        const GdiObject previousFont = std::exchange(font_, CreateDesignFont("MS Sans Serif", Scale(11)));
        HWND memo = ::GetDlgItem(Handle(), IDC_INFO_TEXT);
        ::SetWindowPos(memo, nullptr, 0, 0, Scale(design_.Width), Scale(design_.Height), SWP_NOZORDER | SWP_NOACTIVATE);
        SetControlFont(memo, font_);
    }
    void OnShown() override {
        // The dialog selects an edit's whole text when it takes the focus.
        ::SendDlgItemMessageA(Handle(), IDC_INFO_TEXT, EM_SETSEL, 0, 0);
    }

    TextWindowDesign design_;
    GdiObject font_;
};

}  // namespace

std::string EditControlText(std::string_view text) {
    std::string result;
    result.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0') break;  // a text ends at its first NUL
        if (c == '\r') continue;
        if (c == '\n') result += '\r';
        result += c;
    }
    return result;
}

void RunAboutWindow(HWND owner) {
    AboutWindow window;
    (void)window.Run(owner);
}

void RunLicenseWindow(HWND owner) {
    TextWindow window({"License", 722, 472, VELMORA_RES_LICENSE, false});
    (void)window.Run(owner);
}

void RunNsisLicenseWindow(HWND owner) {
    TextWindow window({VELMORA_TEXT_ABOUT_NSIS, 473, 482, VELMORA_RES_NSIS_LICENSE, true});
    (void)window.Run(owner);
}

}  // namespace velmora::win
