#pragma once
// Looks at another process's windows the way a person's tools would: find
// a top-level window by caption (optionally of one process), read a child's
// text with WM_GETTEXT, press a button with BM_CLICK, click with the mouse
// through SendInput. Every wait polls against a deadline.

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace velmora::testing {

inline constexpr DWORD kWindowTimeoutMs = 60000;

inline std::string WindowText(HWND hwnd) {
    char text[1024] = {};
    DWORD_PTR length = 0;
    // WM_GETTEXT, not GetWindowText: the latter does not ask other processes' controls.
    if (!::SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                               5000, &length)) {
        return "<no answer>";
    }
    return std::string(text, length);
}

inline std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

inline DWORD ProcessOf(HWND hwnd) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    return process;
}

// Top-level windows with this caption, of the process when it is not 0.
inline std::vector<HWND> TopLevelWindows(const std::string& caption, DWORD process) {
    struct Search {
        std::string Caption;
        DWORD Process;
        std::vector<HWND> Found;
    } search{caption, process, {}};
    ::EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            if ((s.Process == 0 || ProcessOf(hwnd) == s.Process) && ::IsWindowVisible(hwnd) &&
                WindowText(hwnd) == s.Caption) {
                s.Found.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Polls until condition() holds or the deadline passes.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWindowTimeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(20);
    }
}

inline HWND WaitForTopLevel(const std::string& caption, DWORD process, DWORD timeoutMs = kWindowTimeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const auto windows = TopLevelWindows(caption, process);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

// Every descendant, as EnumChildWindows gives them.
inline std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> children;
    ::EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM data) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

inline HWND DescendantById(HWND parent, int id) {
    for (HWND child : Descendants(parent)) {
        if (::GetDlgCtrlID(child) == id) return child;
    }
    return nullptr;
}

inline std::string TextById(HWND parent, int id) {
    HWND child = DescendantById(parent, id);
    return child ? WindowText(child) : "<missing>";
}

inline std::vector<HWND> ButtonsOf(HWND parent) {
    std::vector<HWND> buttons;
    for (HWND child : Descendants(parent)) {
        if (ClassOf(child) == "Button") buttons.push_back(child);
    }
    return buttons;
}

// A left click at a screen point, as the mouse would give it.
inline void ClickAt(int x, int y) {
    ::SetCursorPos(x, y);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

// The image a toolbar button shows.
inline int ToolbarButtonImage(HWND toolbar, int command) {
    return static_cast<int>(::SendMessageA(toolbar, TB_GETBITMAP, static_cast<WPARAM>(command), 0));
}

}  // namespace velmora::testing
