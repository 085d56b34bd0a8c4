#include "common/win/WinAnsiCodec.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace velmora::win {

namespace {

int CheckedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long for the code page conversion");
    return static_cast<int>(size);
}

// WC_NO_BEST_FIT_CHARS and a default character are refused for some code
// pages (UTF-8 as the ANSI page among them); then convert without them.
int ToAnsi(std::u16string_view text, char* out, int outSize) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = CheckedLength(text.size());
    int written = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, out, outSize, "?", nullptr);
    if (written == 0 && ::GetLastError() == ERROR_INVALID_PARAMETER)
        written = ::WideCharToMultiByte(CP_ACP, 0, wide, length, out, outSize, nullptr, nullptr);
    return written;
}

}  // namespace

std::u16string WinAnsiCodec::ToUtf16(std::string_view ansi) const {
    if (ansi.empty()) return {};
    const int length = CheckedLength(ansi.size());
    const int needed = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    const int written =
        ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, reinterpret_cast<wchar_t*>(out.data()), needed);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

std::string WinAnsiCodec::FromUtf16(std::u16string_view text) const {
    if (text.empty()) return {};
    const int needed = ToAnsi(text, nullptr, 0);
    if (needed <= 0) return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    const int written = ToAnsi(text, out.data(), needed);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

}  // namespace velmora::win
