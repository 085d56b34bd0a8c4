// The connection settings dialog and the confirmation box in this process,
// driven from a second thread as a person would: texts as designed, the
// fields that follow the check box, the refusals in an error box with the
// dialog still open, a save into the settings store, and Cancel.

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "update/ProxySetup.h"
#include "app/win/AppResources.h"
#include "app/win/MessageBoxWindow.h"
#include "app/win/ProxySetupDialog.h"
#include "tests/app/win/gui/WindowProbe.h"
#include "tests/fakes/FakeSettingsStore.h"

namespace velmora::win {
namespace {

using fakes::FakeSettingsStore;
using fakes::StoredValue;
using testing::ButtonsOf;
using testing::DescendantById;
using testing::TextById;
using testing::WaitForTopLevel;
using testing::WaitUntil;
using testing::WindowText;

bool ReadOnly(HWND dialog, int id) {
    return (::GetWindowLongPtrA(DescendantById(dialog, id), GWL_STYLE) & ES_READONLY) != 0;
}

bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(DescendantById(dialog, id)) != FALSE; }

void SetText(HWND dialog, int id, const char* text) {
    ::SendMessageA(DescendantById(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Presses Save (posted: its error box must not block this thread) and
// returns the error box's text after pressing its button; empty when no box
// came before the dialog closed.
std::string SaveAndReadError(HWND dialog) {
    ::PostMessageA(DescendantById(dialog, IDC_PROXY_SAVE), BM_CLICK, 0, 0);
    HWND box = nullptr;
    WaitUntil([&] {
        const auto boxes = testing::TopLevelWindows("Error", ::GetCurrentProcessId());
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr || !::IsWindow(dialog);
    });
    if (!box) return {};
    const std::string text = TextById(box, IDC_BOX_TEXT);
    ::SendMessageA(ButtonsOf(box).front(), BM_CLICK, 0, 0);
    WaitUntil([&] { return !::IsWindow(box); });
    return text;
}

TEST(ProxySetupDialog, ShowsTheStoredProxyChecksTheFieldsAndSavesWhenBothAreRight) {
    FakeSettingsStore store;
    update::ProxySettings proxy{false, "cache.local", 3128};

    struct Seen {
        std::vector<std::string> Texts;
        bool StartsReadOnly = false;
        bool LabelsStartDisabled = false;
        bool EditableAfterCheck = false;
        std::vector<std::string> Errors;
        bool OpenAfterErrors = false;
    };
    auto driver = std::async(std::launch::async, [] {
        Seen seen;
        HWND dialog = WaitForTopLevel(update::proxy_setup::Caption, ::GetCurrentProcessId());
        if (!dialog) return seen;
        for (int id : {IDC_PROXY_GROUP, IDC_USE_PROXY, IDC_PROXY_ADDRESS_LABEL, IDC_PROXY_ADDRESS, IDC_PROXY_PORT_LABEL,
                       IDC_PROXY_PORT, IDC_PROXY_SAVE, IDCANCEL}) {
            seen.Texts.push_back(TextById(dialog, id));
        }
        seen.StartsReadOnly = ReadOnly(dialog, IDC_PROXY_ADDRESS) && ReadOnly(dialog, IDC_PROXY_PORT);
        seen.LabelsStartDisabled = !Enabled(dialog, IDC_PROXY_ADDRESS_LABEL) && !Enabled(dialog, IDC_PROXY_PORT_LABEL);
        ::SendMessageA(DescendantById(dialog, IDC_USE_PROXY), BM_CLICK, 0, 0);
        seen.EditableAfterCheck = !ReadOnly(dialog, IDC_PROXY_ADDRESS) && !ReadOnly(dialog, IDC_PROXY_PORT) &&
                                  Enabled(dialog, IDC_PROXY_ADDRESS_LABEL) && Enabled(dialog, IDC_PROXY_PORT_LABEL);
        SetText(dialog, IDC_PROXY_ADDRESS, "");
        seen.Errors.push_back(SaveAndReadError(dialog));
        SetText(dialog, IDC_PROXY_ADDRESS, " proxy.lan ");
        SetText(dialog, IDC_PROXY_PORT, "80a");
        seen.Errors.push_back(SaveAndReadError(dialog));
        seen.OpenAfterErrors = ::IsWindow(dialog) != FALSE;
        SetText(dialog, IDC_PROXY_PORT, "8080");
        seen.Errors.push_back(SaveAndReadError(dialog));
        return seen;
    });
    ProxySetupDialog dialog(proxy, store);
    const INT_PTR result = dialog.Run(nullptr);
    const Seen seen = driver.get();

    EXPECT_EQ(seen.Texts, (std::vector<std::string>{"Proxy server", "Use proxy server", "Adress:", "cache.local",
                                                    "Port:", "3128", "Save", "Cancel"}));
    EXPECT_TRUE(seen.StartsReadOnly);
    EXPECT_TRUE(seen.LabelsStartDisabled);
    EXPECT_TRUE(seen.EditableAfterCheck);
    EXPECT_EQ(seen.Errors, (std::vector<std::string>{"Address field is empty!", "Error in Port field!", ""}));
    EXPECT_TRUE(seen.OpenAfterErrors);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(proxy, (update::ProxySettings{true, " proxy.lan ", 8080}));
    EXPECT_EQ(store.Values["HTTP_Proxy"], StoredValue{1});
    EXPECT_EQ(store.Values["HTTP_ProxyAddress"], StoredValue{std::string(" proxy.lan ")});
    EXPECT_EQ(store.Values["HTTP_ProxyPort"], StoredValue{8080});
}

TEST(ProxySetupDialog, CancelAfterEditingChangesNothing) {
    FakeSettingsStore store;
    update::ProxySettings proxy{true, "cache.local", 3128};
    auto driver = std::async(std::launch::async, [] {
        HWND dialog = WaitForTopLevel(update::proxy_setup::Caption, ::GetCurrentProcessId());
        if (!dialog) return false;
        const bool editable = !ReadOnly(dialog, IDC_PROXY_ADDRESS);
        SetText(dialog, IDC_PROXY_ADDRESS, "other");
        ::SendMessageA(DescendantById(dialog, IDC_USE_PROXY), BM_CLICK, 0, 0);
        ::PostMessageA(DescendantById(dialog, IDCANCEL), BM_CLICK, 0, 0);
        return editable;
    });
    ProxySetupDialog dialog(proxy, store);
    EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
    EXPECT_TRUE(driver.get()) << "a stored proxy must open with editable fields";
    EXPECT_EQ(proxy, (update::ProxySettings{true, "cache.local", 3128}));
    EXPECT_TRUE(store.Writes.empty());
}

TEST(ConfirmBox, HasYesAndNoAndOnlyYesConfirms) {
    for (const char* press : {"&Yes", "&No"}) {
        auto driver = std::async(std::launch::async, [press] {
            std::vector<std::string> buttons;
            HWND box = WaitForTopLevel(kConfirmTitle, ::GetCurrentProcessId());
            if (!box) return buttons;
            const std::vector<HWND> handles = ButtonsOf(box);
            for (HWND button : handles) buttons.push_back(WindowText(button));
            for (std::size_t i = 0; i < handles.size(); ++i) {
                if (buttons[i] == press) ::PostMessageA(handles[i], BM_CLICK, 0, 0);
            }
            return buttons;
        });
        const bool confirmed = ShowConfirmBox(nullptr, "Continue?");
        EXPECT_EQ(driver.get(), (std::vector<std::string>{"&Yes", "&No"}));
        EXPECT_EQ(confirmed, std::string(press) == "&Yes");
    }
}

}  // namespace
}  // namespace velmora::win
