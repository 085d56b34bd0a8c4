#pragma once
// Locks a SAFEARRAY's data for direct reading (SafeArrayAccessData) and
// unlocks it when the scope ends, but only when the lock was obtained.
// Also gives the bounds of a one-dimensional array.

#include <windows.h>

#include <oleauto.h>

#include <cstdint>

namespace velmora::win {

class SafeArrayAccess {
public:
    explicit SafeArrayAccess(SAFEARRAY* array) noexcept
        : array_(array), result_(array ? ::SafeArrayAccessData(array, &data_) : E_POINTER) {}
    ~SafeArrayAccess() {
        if (SUCCEEDED(result_)) ::SafeArrayUnaccessData(array_);
    }
    SafeArrayAccess(const SafeArrayAccess&) = delete;
    SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;

    [[nodiscard]] bool Ok() const noexcept { return SUCCEEDED(result_); }
    [[nodiscard]] HRESULT Result() const noexcept { return result_; }
    [[nodiscard]] const void* Data() const noexcept { return data_; }

private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
    HRESULT result_;
};

struct ArrayBounds {
    std::int32_t Lower = 0;
    std::int64_t Count = 0;  // 0 when the upper bound is below the lower one
};

// Bounds of dimension 1; false when the array is null or not one-dimensional.
[[nodiscard]] inline bool OneDimensionalBounds(SAFEARRAY* array, ArrayBounds& bounds) noexcept {
    if (!array || ::SafeArrayGetDim(array) != 1) return false;
    LONG lower = 0;
    LONG upper = 0;
    if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) || FAILED(::SafeArrayGetUBound(array, 1, &upper))) return false;
    bounds.Lower = lower;
    const std::int64_t count = static_cast<std::int64_t>(upper) - lower + 1;
    bounds.Count = count > 0 ? count : 0;
    return true;
}

}  // namespace velmora::win
