#pragma once
// Texts at the edge of the system: what Windows says about an error code,
// and the watch's texts in the UTF-16 the wide calls take.

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora::win {

// The system's text for an error code without its trailing line break and
// full stop; "Error <code>" when the system has none.
[[nodiscard]] std::string SystemErrorText(DWORD error);

// The watch's texts are UTF-8, as the history holds them; bytes that are not
// valid UTF-8 are taken for the system code page (the installed ANSI codec),
// so a text that never was UTF-8 still arrives readable. NULs are kept.
[[nodiscard]] std::u16string Utf8OrAnsiToUtf16(std::string_view text);

}  // namespace velmora::win
