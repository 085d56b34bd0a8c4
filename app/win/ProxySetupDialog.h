#pragma once
// TFProxySetup, the connection settings: moves the proxy's texts between its
// controls and ProxySetupPresenter, which checks and stores them. Modal,
// owned by the main window; Cancel (and Esc, and the close box) leaves
// everything unchanged.

#include <windows.h>

#include <string>

#include "update/ProxySettings.h"
#include "update/ProxySetup.h"
#include "update/SettingsStore.h"
#include "app/win/ModalWindow.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

class ProxySetupDialog final : public ModalWindow, private update::ProxySetupView {
public:
    // proxy is the main window's; both must outlive the dialog.
    ProxySetupDialog(update::ProxySettings& proxy, update::SettingsStore& store);

private:
    // ModalWindow
    [[nodiscard]] ModalFrame Frame() const override;
    void OnInit() override;
    void LayOut() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    // ProxySetupView
    [[nodiscard]] bool UseProxy() const override;
    void SetUseProxy(bool checked) override;
    [[nodiscard]] std::string AddressText() const override;
    void SetAddressText(const std::string& text) override;
    [[nodiscard]] std::string PortText() const override;
    void SetPortText(const std::string& text) override;
    void SetFieldsEditable(bool editable) override;
    void ShowError(const std::string& text) override;
    void CloseWithOk() override;

    [[nodiscard]] std::string ControlText(int id) const;

    update::ProxySetupPresenter presenter_;
    GdiObject font_;
    GdiObject whiteBrush_;
    bool editable_ = false;
};

}  // namespace velmora::win
