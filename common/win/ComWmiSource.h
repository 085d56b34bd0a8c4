#pragma once
// The WMI source of the Windows programs: runs "Select * from <class>" in a
// namespace of the local machine through COM and fills the table. COM must
// be initialised on the calling thread; this source neither initialises nor
// uninitialises it. Every COM object it obtains is released on every path,
// exceptions from the table (kOutOfMemoryText) included.

#include <windows.h>

#include <wbemcli.h>

#include <functional>

#include "common/WmiSource.h"

namespace velmora::win {

// Creates the WBEM locator; tests hand in one of their own.
using WbemLocatorFactory = std::function<HRESULT(IWbemLocator** locator)>;

// The administrative locator {CB8555CC-9128-11D1-AD9B-00C04FD8FDFF},
// in-process or local server, asked for IWbemLocator itself.
[[nodiscard]] HRESULT CreateAdministrativeLocator(IWbemLocator** locator) noexcept;

class ComWmiSource final : public WmiSource {
public:
    ComWmiSource();
    explicit ComWmiSource(WbemLocatorFactory createLocator);

    [[nodiscard]] int Execute(std::u16string_view nameSpace, std::u16string_view className, WmiTable& table) override;

private:
    WbemLocatorFactory createLocator_;
};

}  // namespace velmora::win
