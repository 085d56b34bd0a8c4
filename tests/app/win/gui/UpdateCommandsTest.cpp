// The toolbox's update side as a user meets it, with the service running on
// the example drive set: the start-up question on a fresh profile and the
// defaults it leaves in the registry, "Check for updates" from the menu
// against a loopback server that offers a new application, and closing the
// window while the check waits on a server that never answers; downloads
// from the reference update server that are damaged, redirected or
// redirected without end, over a file the user already has.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "update/UpdateTexts.h"
#include "app/win/AppResources.h"
#include "app/win/CheckForUpdatesDialog.h"
#include "service/win/SmartVelmoraService.h"
#include "tests/app/win/gui/ToolboxProcess.h"
#include "tests/app/win/gui/UpdateTestSupport.h"
#include "tests/app/win/gui/WindowProbe.h"
#include "common/win/UniqueHandle.h"
#include "tests/service/win/ServiceTestSupport.h"

namespace velmora::testing {
namespace {

using win::kStartupQuestionCaption;
using win::kStartupQuestionText;

constexpr DWORD kEndTimeoutMs = 30000;

// An application offer with its digest, signed with the tests' key:
//   openssl dgst -sha256 -sign test-signing-key.pem (the reply without its signature line) | base64 -w0
constexpr char kSignedAppOffer[] =
    "[file version]\r\n"
    "signature=MEYCIQDHGYtaYdQNgX5H89O0DdLRfGI4Odol6RB/2XQMPQnBBAIhAI0/XcKivIdp7ge0r4DiIUPcgl73In2hYO7eFhDIfnVh\r\n"
    "version=1.0\r\n\r\n[app version]\r\nversion=1.02\r\nurl=http://127.0.0.1:9/SMART_VELMORA_102.exe\r\n"
    "sha256=e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\r\n";
// Well below every time limit of the HTTP client: only the close can end
// the check this soon.
constexpr DWORD kQuietEndTimeoutMs = 10000;

std::vector<std::string> ButtonTexts(HWND window) {
    std::vector<std::string> texts;
    for (HWND button : ButtonsOf(window)) texts.push_back(WindowText(button));
    return texts;
}

HWND ButtonByText(HWND window, const std::string& text) {
    for (HWND button : ButtonsOf(window)) {
        if (WindowText(button) == text) return button;
    }
    return nullptr;
}

class ToolboxUpdates : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static_cast<void>(RemoveService(win::kServiceName));
        const std::string set = WindowsPathOf(std::string(VELMORA_EXAMPLES) + "/demo-drives.ini");
        ASSERT_TRUE(SetDriveSetPath(&set));
        const ProgramRun install = RunProgram(ServiceExePath(), "/INSTALL /SILENT");
        ASSERT_TRUE(install.Ended && install.ExitCode == 0u);
        win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_START | SERVICE_QUERY_STATUS);
        ASSERT_TRUE(service);
        ::StartServiceA(service.get(), 0, nullptr);
        ASSERT_TRUE(WaitForState(service.get(), SERVICE_RUNNING, 60000)) << "service did not start";
        ASSERT_TRUE(WaitUntil([] { return ::WaitNamedPipeA(kPipeName, 50) || ::GetLastError() != ERROR_FILE_NOT_FOUND; }));
    }
    static void TearDownTestSuite() {
        static_cast<void>(RemoveService(win::kServiceName));
        static_cast<void>(SetDriveSetPath(nullptr));
        static_cast<void>(SetUpdateHost(nullptr));
        static_cast<void>(TrustTestSigningKey(false));
    }

    void SetUp() override {
        ASSERT_TRUE(ClearUserSettings());
        ASSERT_TRUE(SetUpdateHost(nullptr));
        ASSERT_TRUE(TrustTestSigningKey());
        // RequireSignedUpdates at its default, 1.
        ASSERT_TRUE(SetMachineValue(update::setting::RequireSignedUpdates, REG_DWORD, nullptr, 0));
    }

    // Starts the toolbox and waits until it shows the first drive.
    HWND StartToolbox() {
        toolbox_ = std::make_unique<ToolboxProcess>();
        EXPECT_TRUE(toolbox_->Started());
        HWND window = toolbox_->WaitForWindow(kToolboxCaption);
        if (window) {
            EXPECT_TRUE(WaitUntil([&] { return TextById(window, IDC_GAUGE) == "95%"; }));
        }
        return window;
    }

    void CloseToolbox(HWND window) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(toolbox_->WaitForEnd(kEndTimeoutMs));
        EXPECT_EQ(toolbox_->ExitCode(), 0u);
    }

    [[nodiscard]] bool AnyBoxOpen() const {
        for (const char* title : {"Error", "Information", "Warning", "Confirm"}) {
            if (!TopLevelWindows(title, toolbox_->Id()).empty()) return true;
        }
        return false;
    }

    std::unique_ptr<ToolboxProcess> toolbox_;
};

TEST_F(ToolboxUpdates, FreshProfileGetsTheDefaultsAndTheQuestionHalfASecondAfterTheFirstDrive) {
    toolbox_ = std::make_unique<ToolboxProcess>();
    ASSERT_TRUE(toolbox_->Started());
    HWND window = toolbox_->WaitForWindow(kToolboxCaption);
    ASSERT_NE(window, nullptr);
    const ULONGLONG windowSeen = ::GetTickCount64();

    HWND question = toolbox_->WaitForWindow(kStartupQuestionCaption);
    ASSERT_NE(question, nullptr) << "the start-up question did not appear";
    // The one-shot timer starts when the first drive is shown, after the window.
    EXPECT_GE(::GetTickCount64() - windowSeen, 450u);
    // The timer is one-shot: no second tick asks again while the question is open.
    ::Sleep(1200);
    EXPECT_EQ(TopLevelWindows(kStartupQuestionCaption, toolbox_->Id()).size(), 1u);
    EXPECT_EQ(TextById(question, IDC_QUESTION_TEXT), kStartupQuestionText);
    EXPECT_EQ(TextById(question, IDC_DONT_ASK), "Don't ask again");
    EXPECT_EQ(TextById(question, IDYES), "&Yes");
    EXPECT_EQ(TextById(question, IDNO), "&No");

    // The defaults are written before the question is asked.
    const UserValue no{REG_DWORD, 0};
    for (const char* name : {"UpdatesAutoCheck", "UpdatesDontAsk", "HTTP_Proxy", "HTTP_ProxyPort"}) {
        EXPECT_EQ(ReadUserValue(name), no) << name;
    }
    EXPECT_FALSE(ReadUserValue("HTTP_ProxyAddress").has_value());

    // No with "Don't ask again": stored for good, and no check runs.
    ::SendMessageA(DescendantById(question, IDC_DONT_ASK), BM_CLICK, 0, 0);
    ::SendMessageA(DescendantById(question, IDNO), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return TopLevelWindows(kStartupQuestionCaption, toolbox_->Id()).empty(); }));
    // The answer is stored right after the dialog has gone.
    EXPECT_TRUE(WaitUntil([] { return ReadUserValue("UpdatesDontAsk") == UserValue{REG_DWORD, 1}; }));
    EXPECT_EQ(ReadUserValue("UpdatesAutoCheck"), no);

    // "Check on start up" stores its new state at once. (Wine keeps a menu's
    // items in its own process, so the mark cannot be read from here.)
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_CHECK_ON_STARTUP, 0), 0);
    EXPECT_TRUE(WaitUntil([] { return ReadUserValue("UpdatesAutoCheck") == UserValue{REG_DWORD, 1}; }));
    EXPECT_EQ(ReadUserValue("UpdatesDontAsk"), (UserValue{REG_DWORD, 1}));
    CloseToolbox(window);
}

TEST_F(ToolboxUpdates, CheckForUpdatesOffersTheNewApplicationAndConnectionSettingsCloseWithTheWindow) {
    LoopbackUpdateServer server(LoopbackUpdateServer::Mode::Reply, kSignedAppOffer);
    ASSERT_TRUE(server.Listening());
    ASSERT_TRUE(UseLoopbackUpdateHost(server.HostText()));
    HWND window = StartToolbox();
    ASSERT_NE(window, nullptr);

    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_CHECK_FOR_UPDATES, 0), 0);
    HWND box = toolbox_->WaitForWindow("Confirm");
    ASSERT_NE(box, nullptr) << "no offer was shown";
    EXPECT_EQ(TextById(box, IDC_BOX_TEXT), update::message::AppQuestion);
    EXPECT_EQ(ButtonTexts(box), (std::vector<std::string>{"&Yes", "&No"}));
    EXPECT_EQ(server.FirstRequestLine().rfind("GET /daveruri/daveruri.php?disk=", 0), 0u)
        << server.FirstRequestLine();

    ::SendMessageA(ButtonByText(box, "&No"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return TopLevelWindows("Confirm", toolbox_->Id()).empty(); }));
    EXPECT_EQ(WindowText(window), kToolboxCaption);

    // The dialog of "Connection settings" is open when the window is closed.
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_CONNECTION_SETTINGS, 0), 0);
    HWND dialog = toolbox_->WaitForWindow("Connection setup");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextById(dialog, IDC_PROXY_ADDRESS_LABEL), "Adress:");
    EXPECT_EQ(TextById(dialog, IDC_PROXY_PORT), "0");
    CloseToolbox(window);
    EXPECT_FALSE(ReadUserValue("HTTP_ProxyAddress").has_value()) << "closing must not save";
}

TEST_F(ToolboxUpdates, AReplyWithoutItsSignatureOffersNothingAndEndsInTheErrorBox) {
    ASSERT_TRUE(DontAskAtStartUp());
    std::string unsigned_ = kSignedAppOffer;
    const std::size_t line = unsigned_.find("signature=");
    unsigned_.erase(line, unsigned_.find("\r\n", line) + 2 - line);
    LoopbackUpdateServer server(LoopbackUpdateServer::Mode::Reply, unsigned_);
    ASSERT_TRUE(server.Listening());
    const std::string host = server.HostText();
    ASSERT_TRUE(SetUpdateHost(&host));
    HWND window = StartToolbox();
    ASSERT_NE(window, nullptr);

    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_CHECK_FOR_UPDATES, 0), 0);
    HWND box = toolbox_->WaitForWindow("Error");
    ASSERT_NE(box, nullptr) << "the refusal was not shown";
    EXPECT_EQ(TextById(box, IDC_BOX_TEXT), update::message::NotVerified);
    EXPECT_TRUE(TopLevelWindows("Confirm", toolbox_->Id()).empty()) << "an unverified offer was made";
    const std::vector<HWND> buttons = ButtonsOf(box);
    ASSERT_FALSE(buttons.empty());
    ::SendMessageA(buttons.front(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return TopLevelWindows("Error", toolbox_->Id()).empty(); }));
    CloseToolbox(window);
}

TEST_F(ToolboxUpdates, ClosingTheWindowWhileTheCheckWaitsEndsTheProgramAtOnceWithoutABox) {
    LoopbackUpdateServer server(LoopbackUpdateServer::Mode::Silent);
    ASSERT_TRUE(server.Listening());
    ASSERT_TRUE(UseLoopbackUpdateHost(server.HostText()));
    HWND window = StartToolbox();
    ASSERT_NE(window, nullptr);

    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_CHECK_FOR_UPDATES, 0), 0);
    ASSERT_TRUE(WaitUntil([&] { return server.Requests() == 1; })) << "the check did not reach the server";
    ::PostMessageA(window, WM_CLOSE, 0, 0);

    bool sawBox = false;
    const bool ended = WaitUntil(
        [&] {
            sawBox = sawBox || AnyBoxOpen();
            return toolbox_->WaitForEnd(0);
        },
        kQuietEndTimeoutMs);
    EXPECT_TRUE(ended) << "the program did not end";
    EXPECT_FALSE(sawBox);
    if (ended) {
        EXPECT_EQ(toolbox_->ExitCode(), 0u);
    }
}

// ---- downloads

// The download's bytes: byte i is (i * 31 + 7) mod 256.
std::string DownloadBytes() {
    std::string bytes(3000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    return bytes;
}

// The names in folder.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

// A visible top-level window of process with a Yes button (the save
// dialog's question, whose caption Wine leaves empty without a window
// manager).
HWND WindowWithYes(DWORD process) {
    struct Search {
        DWORD Process;
        HWND Found;
    } search{process, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            if (ProcessOf(hwnd) == s.Process && ::IsWindowVisible(hwnd) && DescendantById(hwnd, IDYES)) s.Found = hwnd;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Against the reference update server run-gui-test.sh started for this run:
// its replies are signed with the tests' key, which SetUp trusts, under the
// default policy.
class ToolboxDownloads : public ToolboxUpdates {
protected:
    void SetUp() override {
        ToolboxUpdates::SetUp();
        const std::optional<ReferenceUpdateServer> server = ReferenceUpdateServer::FromEnvironment();
        ASSERT_TRUE(server) << "run through run-gui-test.sh with VELMORA_UPDATE_SERVER_SOURCE set";
        server_ = *server;
        ASSERT_TRUE(server_.ServeFile("tool.bin", DownloadBytes()));
        char temp[MAX_PATH];
        ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
        folder_ = std::string(temp) + "velmora-downloads-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        target_ = folder_ + "\\tool.exe";
    }
    void TearDown() override {
        for (const std::string& name : FilesIn(folder_)) ::DeleteFileA((folder_ + "\\" + name).c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }

    // "Check for updates", Yes to the offer, the target chosen in the save
    // dialog and its replacement confirmed; then the box that ends the
    // check, its caption and text, closed.
    std::pair<std::string, std::string> DownloadThroughTheMenu(HWND window) {
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_CHECK_FOR_UPDATES, 0), 0);
        HWND offer = toolbox_->WaitForWindow("Confirm");
        if (!offer || !WaitUntil([&] { return ButtonByText(offer, "&Yes") != nullptr; })) return {"no offer", {}};
        ::PostMessageA(ButtonByText(offer, "&Yes"), BM_CLICK, 0, 0);
        HWND save = toolbox_->WaitForWindow("Save As");
        if (!save) return {"no save dialog", {}};
        HWND name = DescendantById(save, 1148);  // the file name's combo box (cmb13)
        if (!name) name = DescendantById(save, 1152);  // or its edit control (edt1)
        if (!name) return {"no file name field", {}};
        ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target_.c_str()));
        ::PostMessageA(save, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(DescendantById(save, IDOK)));
        // The file is there: the dialog asks before it is replaced.
        HWND replace = nullptr;
        WaitUntil([&] {
            replace = WindowWithYes(toolbox_->Id());
            return replace != nullptr;
        });
        if (!replace) return {"no replace question", {}};
        ::PostMessageA(DescendantById(replace, IDYES), BM_CLICK, 0, 0);
        HWND box = nullptr;
        std::string caption;
        WaitUntil([&] {
            for (const char* title : {"Error", "Information"}) {
                const std::vector<HWND> boxes = TopLevelWindows(title, toolbox_->Id());
                if (!boxes.empty()) {
                    box = boxes.front();
                    caption = title;
                }
            }
            // Shown once its text and button are there.
            return box != nullptr && DescendantById(box, IDC_BOX_TEXT) != nullptr && !ButtonsOf(box).empty();
        });
        if (!box) return {"no box", {}};
        const std::string text = TextById(box, IDC_BOX_TEXT);
        for (HWND button : ButtonsOf(box)) ::PostMessageA(button, BM_CLICK, 0, 0);
        WaitUntil([&] { return !AnyBoxOpen(); });
        return {caption, text};
    }

    ReferenceUpdateServer server_;
    std::string folder_;
    std::string target_;
};

TEST_F(ToolboxDownloads, OnlyAVerifiedDownloadReplacesTheFileAndAFailedOneLeavesItByteForByte) {
    ASSERT_TRUE(UseLoopbackUpdateHost(server_.Host));
    const std::string original = "the file the user had before\r\n";
    ASSERT_TRUE(WriteWhole(target_, original));
    HWND window = StartToolbox();
    ASSERT_NE(window, nullptr);

    // Bytes that do not match the offer's digest: deleted, not announced.
    ASSERT_TRUE(server_.OfferApplication("tool.bin", "/test/damaged/tool.bin"));
    EXPECT_EQ(DownloadThroughTheMenu(window),
              (std::pair<std::string, std::string>{"Error", update::message::DownloadDamaged}));
    EXPECT_EQ(ReadWhole(target_), original);
    EXPECT_EQ(FilesIn(folder_), std::vector<std::string>{"tool.exe"});

    // A redirect that never ends: five hops followed, the sixth refused.
    ASSERT_TRUE(server_.OfferApplication("tool.bin", "/test/redirect-chain/0"));
    EXPECT_EQ(DownloadThroughTheMenu(window),
              (std::pair<std::string, std::string>{"Error", update::message::NotAvailable}));
    std::vector<std::string> chain;
    for (const std::string& path : server_.AskedPaths()) {
        if (path.rfind("/test/redirect-chain/", 0) == 0) chain.push_back(path);
    }
    EXPECT_EQ(chain, (std::vector<std::string>{"/test/redirect-chain/0", "/test/redirect-chain/1",
                                               "/test/redirect-chain/2", "/test/redirect-chain/3",
                                               "/test/redirect-chain/4", "/test/redirect-chain/5"}));
    EXPECT_EQ(ReadWhole(target_), original);
    EXPECT_EQ(FilesIn(folder_), std::vector<std::string>{"tool.exe"});

    // A 302 to the file: followed, verified, and the file replaced.
    ASSERT_TRUE(server_.OfferApplication("tool.bin", "/test/moved/tool.bin"));
    EXPECT_EQ(DownloadThroughTheMenu(window),
              (std::pair<std::string, std::string>{"Information", update::message::AppDownloaded}));
    EXPECT_EQ(ReadWhole(target_), DownloadBytes());
    EXPECT_EQ(FilesIn(folder_), std::vector<std::string>{"tool.exe"});
    CloseToolbox(window);
}

}  // namespace
}  // namespace velmora::testing
