#pragma once
// Owning SAFEARRAY: SafeArrayDestroy frees the elements (BSTRs, VARIANTs,
// interfaces) and then the array.

#include <windows.h>

#include <oleauto.h>

#include <utility>

namespace velmora::win {

class SafeArray {
public:
    SafeArray() noexcept = default;
    explicit SafeArray(SAFEARRAY* array) noexcept : array_(array) {}
    ~SafeArray() { reset(); }
    SafeArray(SafeArray&& other) noexcept : array_(std::exchange(other.array_, nullptr)) {}
    SafeArray& operator=(SafeArray&& other) noexcept {
        std::swap(array_, other.array_);
        return *this;
    }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;

    [[nodiscard]] SAFEARRAY* get() const noexcept { return array_; }
    void reset() noexcept {
        if (array_) ::SafeArrayDestroy(std::exchange(array_, nullptr));
    }
    [[nodiscard]] SAFEARRAY** put() noexcept {
        reset();
        return &array_;
    }

private:
    SAFEARRAY* array_ = nullptr;
};

}  // namespace velmora::win
