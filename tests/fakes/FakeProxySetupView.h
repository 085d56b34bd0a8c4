#pragma once
// The connection settings dialog's controls as plain fields, with a record
// of the error boxes and of the dialog's closing.

#include <string>
#include <vector>

#include "update/ProxySetup.h"

namespace velmora::fakes {

class FakeProxySetupView final : public update::ProxySetupView {
public:
    bool UseProxy() const override { return Checked; }
    void SetUseProxy(bool checked) override { Checked = checked; }
    std::string AddressText() const override { return Address; }
    void SetAddressText(const std::string& text) override { Address = text; }
    std::string PortText() const override { return Port; }
    void SetPortText(const std::string& text) override { Port = text; }
    void SetFieldsEditable(bool editable) override { Editable = editable; }
    void ShowError(const std::string& text) override { Errors.push_back(text); }
    void CloseWithOk() override { ++ClosedWithOk; }

    bool Checked = false;
    std::string Address;
    std::string Port;
    bool Editable = true;  // the opposite of the design state, so FormShow must set it
    std::vector<std::string> Errors;
    int ClosedWithOk = 0;
};

}  // namespace velmora::fakes
