#pragma once
// Owning VARIANT: initialised on construction, VariantClear on destruction
// and before it is reused as an out-parameter.

#include <windows.h>

#include <oleauto.h>

namespace velmora::win {

class Variant {
public:
    Variant() noexcept { ::VariantInit(&value_); }
    ~Variant() { ::VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    [[nodiscard]] const VARIANT& get() const noexcept { return value_; }
    // Clears what is held (leaving VT_EMPTY) and gives the address to fill.
    [[nodiscard]] VARIANT* put() noexcept {
        ::VariantClear(&value_);
        return &value_;
    }

private:
    VARIANT value_;
};

}  // namespace velmora::win
