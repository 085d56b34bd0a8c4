#pragma once
// A service's configuration as the SCM gives it, in a buffer of the size it asks for.

#include <windows.h>

#include <vector>

namespace velmora::testing {

class ServiceConfigQuery {
public:
    explicit ServiceConfigQuery(SC_HANDLE service) {
        DWORD needed = 0;
        ::QueryServiceConfigA(service, nullptr, 0, &needed);
        buffer_.resize(needed);
        ok_ = needed != 0 && ::QueryServiceConfigA(service, Config(), needed, &needed);
    }
    [[nodiscard]] bool Ok() const { return ok_; }
    [[nodiscard]] QUERY_SERVICE_CONFIGA* Config() { return reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer_.data()); }

private:
    std::vector<unsigned char> buffer_;
    bool ok_ = false;
};

}  // namespace velmora::testing
