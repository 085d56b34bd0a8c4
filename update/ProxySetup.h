#pragma once
// The logic of the connection settings dialog TFProxySetup. The dialog
// forwards FormShow, clicks on CBUseHTTP_Proxy and BSave here and moves
// texts through ProxySetupView; Cancel closes it without calling anything.

#include <string>

#include "update/ProxySettings.h"
#include "update/SettingsStore.h"

namespace velmora::update {

namespace proxy_setup {
inline constexpr char Caption[] = "Connection setup";
inline constexpr char GroupBox1[] = "Proxy server";
inline constexpr char CBUseHTTP_Proxy[] = "Use proxy server";
inline constexpr char LAddress[] = "Adress:";
inline constexpr char LPort[] = "Port:";
inline constexpr char BSave[] = "Save";
inline constexpr char Button2[] = "Cancel";
inline constexpr char AddressEmpty[] = "Address field is empty!";
inline constexpr char PortError[] = "Error in Port field!";
}  // namespace proxy_setup

class ProxySetupView {
public:
    virtual ~ProxySetupView() = default;
    [[nodiscard]] virtual bool UseProxy() const = 0;
    // Sets the check box without running its click handler.
    virtual void SetUseProxy(bool checked) = 0;
    [[nodiscard]] virtual std::string AddressText() const = 0;
    virtual void SetAddressText(const std::string& text) = 0;
    [[nodiscard]] virtual std::string PortText() const = 0;
    virtual void SetPortText(const std::string& text) = 0;
    // true: both edits editable on white and both labels enabled; false: both
    // edits read-only in the group box's colour and both labels disabled.
    virtual void SetFieldsEditable(bool editable) = 0;
    virtual void ShowError(const std::string& text) = 0;
    virtual void CloseWithOk() = 0;
};

class ProxySetupPresenter {
public:
    // All three must outlive the presenter; proxy is the main window's.
    ProxySetupPresenter(ProxySetupView& view, ProxySettings& proxy, SettingsStore& store);

    void FormShow();
    void CBUseHTTP_ProxyClick();
    // Refusals and store failures show an error box and leave the dialog open
    // with the user's input.
    void BSaveClick();

private:
    ProxySetupView& view_;
    ProxySettings& proxy_;
    SettingsStore& store_;
};

}  // namespace velmora::update
