#include "update/ProxySetup.h"

#include <memory>
#include <optional>

#include "update/Int32Text.h"
#include "update/SettingsNames.h"

namespace velmora::update {

ProxySetupPresenter::ProxySetupPresenter(ProxySetupView& view, ProxySettings& proxy, SettingsStore& store)
    : view_(view), proxy_(proxy), store_(store) {}

void ProxySetupPresenter::FormShow() {
    view_.SetFieldsEditable(false);
    view_.SetUseProxy(proxy_.Enabled);
    CBUseHTTP_ProxyClick();
    view_.SetAddressText(proxy_.Address);
    view_.SetPortText(std::to_string(proxy_.Port));
}

void ProxySetupPresenter::CBUseHTTP_ProxyClick() { view_.SetFieldsEditable(view_.UseProxy()); }

void ProxySetupPresenter::BSaveClick() {
    try {
        const std::unique_ptr<SettingsKey> key = store_.Open(SettingsAccess::CreateReadWrite);
        if (!key) throw CannotOpenKey();
        if (view_.UseProxy()) {
            const std::string address = view_.AddressText();
            if (address.empty()) {
                view_.ShowError(proxy_setup::AddressEmpty);
                return;
            }
            const std::optional<std::int32_t> port = ParseInt32Text(view_.PortText());
            if (!port) {
                view_.ShowError(proxy_setup::PortError);
                return;
            }
            key->WriteBool(setting::HTTP_Proxy, true);
            key->WriteString(setting::HTTP_ProxyAddress, address);
            key->WriteInteger(setting::HTTP_ProxyPort, *port);
            proxy_ = ProxySettings{true, address, *port};
        } else {
            key->WriteBool(setting::HTTP_Proxy, false);
            proxy_.Enabled = false;
        }
    } catch (const SettingsError& error) {
        view_.ShowError(error.what());
        return;
    }
    view_.CloseWithOk();
}

}  // namespace velmora::update
