#include "common/win/Registry.h"

#include <cstddef>
#include <vector>

namespace velmora::win::registry {

namespace {

// A value rewritten longer on every try is not one to wait for.
constexpr int kTextReadAttempts = 3;

bool Accepts(TextTypes accepted, DWORD type) noexcept {
    return type == REG_SZ || (accepted == TextTypes::PlainOrExpandable && type == REG_EXPAND_SZ);
}

ValueState FailureState(LONG status) noexcept {
    return status == ERROR_FILE_NOT_FOUND ? ValueState::Missing : ValueState::Failed;
}

}  // namespace

OpenedKey Open(HKEY root, const char* subKey, REGSAM access) noexcept {
    OpenedKey opened;
    opened.Status = ::RegOpenKeyExA(root, subKey, 0, access, opened.Key.put());
    return opened;
}

OpenedKey Create(HKEY root, const char* subKey, REGSAM access) noexcept {
    OpenedKey opened;
    opened.Status = ::RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                      opened.Key.put(), nullptr);
    return opened;
}

TextValue ReadText(HKEY key, const char* name, TextTypes accepted, DWORD maxBytes) {
    for (int attempt = 0; attempt < kTextReadAttempts; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG status = ::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) return {FailureState(status), {}, REG_NONE};
        if (!Accepts(accepted, type)) return {ValueState::WrongType, {}, type};
        if (size > maxBytes) return {ValueState::TooLarge, {}, type};
        // One spare byte: a stored text need not end in NUL.
        std::vector<char> bytes(static_cast<std::size_t>(size) + 1, '\0');
        DWORD got = size;
        status = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &got);
        if (status == ERROR_MORE_DATA) continue;  // it grew since its size was asked
        if (status != ERROR_SUCCESS) return {FailureState(status), {}, REG_NONE};
        if (!Accepts(accepted, type)) return {ValueState::WrongType, {}, type};
        if (got > size) return {ValueState::Failed, {}, type};
        std::string text(bytes.data(), got);
        if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
        return {ValueState::Read, std::move(text), type};
    }
    return {ValueState::Failed, {}, REG_NONE};
}

DwordValue ReadDword(HKEY key, const char* name) noexcept {
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_MORE_DATA) return {ValueState::WrongType, 0};  // longer than a DWORD
    if (status != ERROR_SUCCESS) return {FailureState(status), 0};
    if (type != REG_DWORD || size != sizeof value) return {ValueState::WrongType, 0};
    return {ValueState::Read, value};
}

bool ValueExists(HKEY key, const char* name) noexcept {
    return ::RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool WriteText(HKEY key, const char* name, std::string_view text) {
    const std::string data(text);
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

bool WriteDword(HKEY key, const char* name, DWORD value) noexcept {
    return ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

}  // namespace velmora::win::registry
