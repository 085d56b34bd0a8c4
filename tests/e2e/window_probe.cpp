// window_probe: looks at the toolbox from another process, as a person or a
// screen reader would, for the end-to-end test.
//
//   window_probe fields CAPTION TIMEOUT_MS
//       waits for the top-level window CAPTION and for its first value field
//       to be filled, then prints every child window as "id<TAB>class<TAB>text"
//   window_probe command CAPTION ID
//       posts the menu command ID to the window
//   window_probe answer CAPTION BUTTON TIMEOUT_MS
//       after a command: prints each message box of the window's process as
//       "box<TAB>caption<TAB>text" and presses the button BUTTON ("No", "OK",
//       without the '&'), until the window is usable again with no box left
//   window_probe close CAPTION TIMEOUT_MS
//       closes the window and waits until it is gone
//   window_probe press CAPTION BUTTON TIMEOUT_MS
//       waits for a top-level window CAPTION (of any program; blanks after it
//       aside, which a setup wizard's pages add) with an enabled
//       button BUTTON (without the '&'), prints
//       "window<TAB>caption<TAB>process id<TAB>texts" with the texts of its
//       static children, and presses the button
//   window_probe parent CAPTION TIMEOUT_MS
//       waits for the top-level window CAPTION and prints the program its
//       process was started by and that one's process id, "NAME<TAB>ID"
//       ("exited" for NAME when that one has ended)
//   window_probe message DLL TEXT
//       formats message 0 of the message file DLL with TEXT as its one insert,
//       prints the result and succeeds when it is TEXT
//   window_probe firstreply SERVICE TIMEOUT_MS
//       starts the (stopped) service and asks for drive 0 on the pipe until a
//       whole reply with a good checksum comes back; prints the milliseconds
//       from the start request to that reply
//
// Exit status: 0 done, 1 not found or timed out, 2 wrong command line.

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/win/AppResources.h"
#include "common/PipeRecords.h"

namespace {

constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 2000;
// The check is over when no box has been seen for this long and the main
// window takes input again.
constexpr DWORD kQuietMs = 5000;
constexpr DWORD kReanswerMs = 5000;

std::string TextOf(HWND window) {
    std::vector<char> text(4096);
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                               SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return {};
    return std::string(text.data(), static_cast<std::size_t>(length));
}

// Line breaks become "\n" so that each window stays on one output line.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n')
            line += "\\n";
        else
            line += c;
    }
    return line;
}

std::string WithoutAmpersands(const std::string& text) {
    std::string plain;
    for (char c : text)
        if (c != '&') plain += c;
    return plain;
}

HWND WaitForWindow(const char* caption, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        HWND window = ::FindWindowA(nullptr, caption);
        if (window != nullptr) return window;
        if (::GetTickCount64() >= deadline) return nullptr;
        ::Sleep(kPollMs);
    }
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND window) {
    std::vector<HWND> children;
    ::EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

int Fields(const char* caption, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    HWND window = WaitForWindow(caption, timeoutMs);
    if (window == nullptr) {
        std::fprintf(stderr, "window \"%s\" not found\n", caption);
        return 1;
    }
    // The first showing fills the fields after the window appears.
    while (TextOf(::GetDlgItem(window, IDC_FIELD_FIRST)).empty()) {
        if (::GetTickCount64() >= deadline) {
            std::fprintf(stderr, "the fields of \"%s\" stayed empty\n", caption);
            return 1;
        }
        ::Sleep(kPollMs);
    }
    for (HWND child : ChildrenOf(window)) {
        char className[256] = {};
        ::GetClassNameA(child, className, sizeof className);
        std::printf("%d\t%s\t%s\n", ::GetDlgCtrlID(child), className, OneLine(TextOf(child)).c_str());
    }
    return 0;
}

int Command(const char* caption, int id) {
    HWND window = ::FindWindowA(nullptr, caption);
    if (window == nullptr) {
        std::fprintf(stderr, "window \"%s\" not found\n", caption);
        return 1;
    }
    return ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0) ? 0 : 1;
}

struct BoxSearch {
    DWORD process = 0;
    HWND main = nullptr;
    HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->process || window == search->main || !::IsWindowVisible(window)) return TRUE;
    if (::GetDlgItem(window, IDC_BOX_TEXT) == nullptr) return TRUE;
    search->box = window;
    return FALSE;
}

HWND ButtonNamed(HWND box, const std::string& name) {
    for (HWND child : ChildrenOf(box)) {
        char className[64] = {};
        ::GetClassNameA(child, className, sizeof className);
        if (::lstrcmpiA(className, "Button") == 0 && WithoutAmpersands(TextOf(child)) == name) return child;
    }
    return nullptr;
}

int Answer(const char* caption, const std::string& button, DWORD timeoutMs) {
    HWND window = ::FindWindowA(nullptr, caption);
    if (window == nullptr) {
        std::fprintf(stderr, "window \"%s\" not found\n", caption);
        return 1;
    }
    BoxSearch search;
    search.main = window;
    ::GetWindowThreadProcessId(window, &search.process);
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    ULONGLONG lastSeen = 0;    // a box was on screen
    ULONGLONG lastAnswer = 0;  // a button was pressed
    int boxes = 0;
    HWND answered = nullptr;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) {
            std::fprintf(stderr, "timed out after %d box(es)\n", boxes);
            return 1;
        }
        search.box = nullptr;
        ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box != nullptr) {
            lastSeen = now;
            // A box that is still there after a while is a new one with a
            // reused handle, or one that missed the press: press again.
            if (search.box != answered || now - lastAnswer >= kReanswerMs) {
                std::printf("box\t%s\t%s\n", OneLine(TextOf(search.box)).c_str(),
                            OneLine(TextOf(::GetDlgItem(search.box, IDC_BOX_TEXT))).c_str());
                std::fflush(stdout);
                HWND press = ButtonNamed(search.box, button);
                if (press == nullptr) {
                    std::fprintf(stderr, "the box has no button \"%s\"\n", button.c_str());
                    return 1;
                }
                ::PostMessageA(press, BM_CLICK, 0, 0);
                answered = search.box;
                lastAnswer = now;
                ++boxes;
            }
        } else {
            answered = nullptr;
            if (boxes > 0 && now - lastSeen >= kQuietMs && ::IsWindowEnabled(window)) return 0;
        }
        ::Sleep(kPollMs);
    }
}

int Close(const char* caption, DWORD timeoutMs) {
    HWND window = ::FindWindowA(nullptr, caption);
    if (window == nullptr) return 0;
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (::IsWindow(window)) {
        if (::GetTickCount64() >= deadline) {
            std::fprintf(stderr, "window \"%s\" did not close\n", caption);
            return 1;
        }
        ::Sleep(kPollMs);
    }
    return 0;
}

struct PressSearch {
    const char* caption = nullptr;
    std::string button;
    HWND window = nullptr;
    HWND press = nullptr;
};

std::string WithoutTrailingBlanks(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

BOOL CALLBACK FindPressable(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<PressSearch*>(param);
    if (!::IsWindowVisible(window) || WithoutTrailingBlanks(TextOf(window)) != search->caption) return TRUE;
    HWND press = ButtonNamed(window, search->button);
    if (press == nullptr || !::IsWindowEnabled(press) || !::IsWindowVisible(press)) return TRUE;
    search->window = window;
    search->press = press;
    return FALSE;
}

int Press(const char* caption, const std::string& button, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    PressSearch search;
    search.caption = caption;
    search.button = button;
    while (::EnumWindows(FindPressable, reinterpret_cast<LPARAM>(&search)), search.press == nullptr) {
        if (::GetTickCount64() >= deadline) {
            std::fprintf(stderr, "no window \"%s\" with a button \"%s\"\n", caption, button.c_str());
            return 1;
        }
        ::Sleep(kPollMs);
    }
    std::string texts;
    for (HWND child : ChildrenOf(search.window)) {
        char className[64] = {};
        ::GetClassNameA(child, className, sizeof className);
        const std::string text = TextOf(child);
        if (::lstrcmpiA(className, "Static") == 0 && !text.empty() && ::IsWindowVisible(child)) {
            texts += (texts.empty() ? "" : " | ") + OneLine(text);
        }
    }
    DWORD process = 0;
    ::GetWindowThreadProcessId(search.window, &process);
    std::printf("window\t%s\t%lu\t%s\n", caption, process, texts.c_str());
    std::fflush(stdout);
    return ::PostMessageA(search.press, BM_CLICK, 0, 0) ? 0 : 1;
}

int Parent(const char* caption, DWORD timeoutMs) {
    HWND window = WaitForWindow(caption, timeoutMs);
    if (window == nullptr) {
        std::fprintf(stderr, "window \"%s\" not found\n", caption);
        return 1;
    }
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 1;
    std::vector<PROCESSENTRY32> processes;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry)) {
        processes.push_back(entry);
    }
    ::CloseHandle(snapshot);
    DWORD parent = 0;
    for (const PROCESSENTRY32& each : processes) {
        if (each.th32ProcessID == process) parent = each.th32ParentProcessID;
    }
    for (const PROCESSENTRY32& each : processes) {
        if (parent != 0 && each.th32ProcessID == parent) {
            std::printf("%s\t%lu\n", each.szExeFile, parent);
            return 0;
        }
    }
    std::printf("exited\t%lu\n", parent);
    return 0;
}

int Message(const char* dll, const char* text) {
    HMODULE module = ::LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::fprintf(stderr, "cannot load %s: error %lu\n", dll, ::GetLastError());
        return 1;
    }
    const char* inserts[] = {text};
    char buffer[1024] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, 0,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), buffer, sizeof buffer,
                         reinterpret_cast<va_list*>(const_cast<char**>(inserts)));
    const DWORD error = ::GetLastError();
    ::FreeLibrary(module);
    if (length == 0) {
        std::fprintf(stderr, "message 0 not found: error %lu\n", error);
        return 1;
    }
    std::string result(buffer, length);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    std::printf("%s\n", result.c_str());
    return result == text ? 0 : 1;
}

// One exchange: false while the pipe is not there or busy, or the reply is
// short or fails its checksum.
bool AskOnce() {
    HANDLE pipe = ::CreateFileA(velmora::kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return false;
    velmora::PipeRequest request;
    request.InterfaceType = velmora::kInterfaceSata;
    const velmora::RequestBytes out = request.Encode();
    velmora::ReplyBytes in{};
    DWORD written = 0;
    bool ok = ::WriteFile(pipe, out.data(), static_cast<DWORD>(out.size()), &written, nullptr) &&
              written == out.size();
    std::size_t received = 0;
    while (ok && received < in.size()) {
        DWORD got = 0;
        ok = ::ReadFile(pipe, in.data() + received, static_cast<DWORD>(in.size() - received), &got, nullptr) &&
             got > 0;
        received += got;
    }
    ::CloseHandle(pipe);
    return ok && velmora::ReplyChecksumOk(in.data(), in.size());
}

int FirstReply(const char* serviceName, DWORD timeoutMs) {
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager != nullptr ? ::OpenServiceA(manager, serviceName, SERVICE_START) : nullptr;
    if (service == nullptr) {
        std::fprintf(stderr, "service %s not found: error %lu\n", serviceName, ::GetLastError());
        if (manager != nullptr) ::CloseServiceHandle(manager);
        return 1;
    }
    const ULONGLONG start = ::GetTickCount64();
    const BOOL started = ::StartServiceA(service, 0, nullptr);
    const DWORD error = ::GetLastError();
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    if (!started) {
        std::fprintf(stderr, "service %s did not start: error %lu\n", serviceName, error);
        return 1;
    }
    for (;;) {
        if (AskOnce()) {
            std::printf("%llu\n", ::GetTickCount64() - start);
            return 0;
        }
        if (::GetTickCount64() - start >= timeoutMs) {
            std::fprintf(stderr, "no reply within %lu ms\n", timeoutMs);
            return 1;
        }
        ::Sleep(1);
    }
}

DWORD Milliseconds(const char* text) { return static_cast<DWORD>(std::strtoul(text, nullptr, 10)); }

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "fields" && argc == 4) return Fields(argv[2], Milliseconds(argv[3]));
    if (command == "command" && argc == 4) return Command(argv[2], std::atoi(argv[3]));
    if (command == "answer" && argc == 5) return Answer(argv[2], argv[3], Milliseconds(argv[4]));
    if (command == "close" && argc == 4) return Close(argv[2], Milliseconds(argv[3]));
    if (command == "press" && argc == 5) return Press(argv[2], argv[3], Milliseconds(argv[4]));
    if (command == "parent" && argc == 4) return Parent(argv[2], Milliseconds(argv[3]));
    if (command == "message" && argc == 4) return Message(argv[2], argv[3]);
    if (command == "firstreply" && argc == 4) return FirstReply(argv[2], Milliseconds(argv[3]));
    std::fprintf(stderr,
                 "usage: window_probe fields CAPTION TIMEOUT_MS | command CAPTION ID |\n"
                 "       answer CAPTION BUTTON TIMEOUT_MS | close CAPTION TIMEOUT_MS | message DLL TEXT |\n"
                 "       firstreply SERVICE TIMEOUT_MS | press CAPTION BUTTON TIMEOUT_MS | parent CAPTION TIMEOUT_MS\n");
    return 2;
}
