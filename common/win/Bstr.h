#pragma once
// Owning OLE Automation string. Construction raises std::bad_alloc when the
// system cannot allocate; put() frees what is held before an out-parameter.

#include <windows.h>

#include <oleauto.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace velmora::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "BSTR text is UTF-16");

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(std::u16string_view text) {
        if (text.size() > 0x7FFFFFFFu) throw std::bad_alloc();
        value_ = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
        if (!value_) throw std::bad_alloc();
    }
    ~Bstr() { ::SysFreeString(value_); }
    Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    [[nodiscard]] BSTR get() const noexcept { return value_; }
    [[nodiscard]] BSTR* put() noexcept {
        ::SysFreeString(std::exchange(value_, nullptr));
        return &value_;
    }
    [[nodiscard]] std::u16string ToUtf16() const { return Text(value_); }

    // The text of any BSTR; a null BSTR is the empty text.
    [[nodiscard]] static std::u16string Text(BSTR value) {
        if (!value) return {};
        return std::u16string(reinterpret_cast<const char16_t*>(value), ::SysStringLen(value));
    }

private:
    BSTR value_ = nullptr;
};

}  // namespace velmora::win
