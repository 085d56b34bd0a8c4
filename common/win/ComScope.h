#pragma once
// COM for the life of a scope on the calling thread. Uninitialises only when
// its own initialisation succeeded (S_OK or S_FALSE), so a thread already in
// another apartment model (RPC_E_CHANGED_MODE) is left as it was.

#include <windows.h>

#include <objbase.h>

namespace velmora::win {

class ComScope {
public:
    explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED) noexcept : result_(::CoInitializeEx(nullptr, model)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

    [[nodiscard]] bool Ok() const noexcept { return SUCCEEDED(result_); }
    [[nodiscard]] HRESULT Result() const noexcept { return result_; }

private:
    HRESULT result_;
};

}  // namespace velmora::win
