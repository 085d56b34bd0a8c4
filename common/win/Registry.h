#pragma once
// The registry calls every program makes, each written once. Keys are held
// in a RegistryKey. A text is read by asking its size first and reading it
// after; when the value grows in between, the read is tried again. The
// caller names the types a value may have, and a value of another type is
// reported as such, never converted. Texts are in the system code page.

#include <windows.h>

#include <string>
#include <string_view>

#include "common/win/UniqueHandle.h"

namespace velmora::win::registry {

// A key and the status of the call that opened it: ERROR_SUCCESS with a
// key, else the call's error (ERROR_FILE_NOT_FOUND: no such key) and none.
struct OpenedKey {
    RegistryKey Key;
    LONG Status = ERROR_INVALID_HANDLE;
};

// An existing key; never creates one.
[[nodiscard]] OpenedKey Open(HKEY root, const char* subKey, REGSAM access) noexcept;
// The key, created (non-volatile) when it is missing.
[[nodiscard]] OpenedKey Create(HKEY root, const char* subKey, REGSAM access) noexcept;

// The types a text value may be stored with.
enum class TextTypes {
    Plain,              // REG_SZ only
    PlainOrExpandable,  // REG_SZ, or REG_EXPAND_SZ returned as stored (unexpanded)
};

enum class ValueState {
    Read,       // the value, of an accepted type
    Missing,    // no value of that name
    WrongType,  // stored with a type the caller does not accept
    TooLarge,   // longer than the caller's limit
    Failed,     // any other failure, or a value that kept changing while read
};

struct TextValue {
    ValueState State = ValueState::Missing;
    std::string Text;       // up to its first NUL; a stored text need not end in one
    DWORD Type = REG_NONE;  // REG_SZ or REG_EXPAND_SZ when read
};

struct DwordValue {
    ValueState State = ValueState::Missing;
    DWORD Value = 0;
};

inline constexpr DWORD kNoSizeLimit = MAXDWORD;

// A text value of one of the accepted types, at most maxBytes as stored.
[[nodiscard]] TextValue ReadText(HKEY key, const char* name, TextTypes accepted, DWORD maxBytes = kNoSizeLimit);
// A REG_DWORD value; any other type or size (REG_QWORD, REG_BINARY) is WrongType.
[[nodiscard]] DwordValue ReadDword(HKEY key, const char* name) noexcept;
// True when a value of that name exists, whatever its type.
[[nodiscard]] bool ValueExists(HKEY key, const char* name) noexcept;

// Stored as REG_SZ with its terminating NUL; false when the write failed.
[[nodiscard]] bool WriteText(HKEY key, const char* name, std::string_view text);
// Stored as REG_DWORD; false when the write failed.
[[nodiscard]] bool WriteDword(HKEY key, const char* name, DWORD value) noexcept;

}  // namespace velmora::win::registry
