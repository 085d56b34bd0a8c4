#include "common/win/SystemText.h"

#include <climits>
#include <stdexcept>

#include "common/AnsiText.h"

namespace velmora::win {
namespace {

class LocalText {
public:
    LocalText() noexcept = default;
    ~LocalText() {
        if (text_ != nullptr) ::LocalFree(text_);
    }
    LocalText(const LocalText&) = delete;
    LocalText& operator=(const LocalText&) = delete;
    [[nodiscard]] char** put() noexcept { return &text_; }
    [[nodiscard]] const char* get() const noexcept { return text_; }

private:
    char* text_ = nullptr;
};

}  // namespace

std::string SystemErrorText(DWORD error) {
    LocalText buffer;
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<char*>(buffer.put()), 0, nullptr);
    std::string text = length != 0 && buffer.get() != nullptr ? std::string(buffer.get(), length) : std::string();
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
    if (text.empty()) text = "Error " + std::to_string(error);
    return text;
}

std::u16string Utf8OrAnsiToUtf16(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long to convert");
    const int length = static_cast<int>(text.size());
    const int needed = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (needed <= 0) return AnsiToUtf16(text);
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, reinterpret_cast<wchar_t*>(wide.data()),
                          needed);
    return wide;
}

}  // namespace velmora::win
