#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "drives/DriveTable.h"
#include "update/SettingsNames.h"
#include "update/UpdateFlow.h"
#include "update/UpdateSettings.h"
#include "update/win/RegistrySettingsStore.h"
#include "update/win/RegistryUpdateHost.h"
#include "update/win/RegistryUpdateTrust.h"
#include "common/win/UniqueHandle.h"
#include "tests/fakes/FakeDownloadFiles.h"
#include "tests/fakes/FakeReplyTrust.h"
#include "tests/fakes/FakeUpdateTransport.h"
#include "tests/fakes/FakeUpdateWindowSide.h"

namespace velmora::update::win {
namespace {

using velmora::win::RegistryKey;

// The product's own key, the user's and the machine's: this program runs in
// a Wine prefix of its own, so the keys are free; removed at both ends.
class RegistrySettingsTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteKeys(); }
    void TearDown() override { DeleteKeys(); }
    static void DeleteKeys() {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) ::RegDeleteKeyA(root, kRegistryKeyPath);
    }

    bool KeyExists() {
        RegistryKey key;
        return ::RegOpenKeyExA(root_, kRegistryKeyPath, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    }
    RegistryKey CreateKey() {
        RegistryKey key;
        EXPECT_EQ(::RegCreateKeyExA(root_, kRegistryKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key.put(), nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    // (type, DWORD value) as stored; type 0 when missing.
    std::pair<DWORD, DWORD> Dword(const char* name) {
        RegistryKey key = CreateKey();
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        if (::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS)
            return {0, 0};
        return {type, value};
    }
    void Store(const char* name, DWORD type, const std::string& bytes) {
        RegistryKey key = CreateKey();
        ASSERT_EQ(::RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                   static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    void StoreText(const char* name, const std::string& text, DWORD type = REG_SZ) {
        Store(name, type, std::string(text.c_str(), text.size() + 1));
    }

    // The update flow on this store; it writes the settings the toolbox's way.
    std::unique_ptr<UpdateFlow> FlowOn(SettingsStore& store) {
        return std::make_unique<UpdateFlow>(drives_, store, hosts_, trust_, crypto_,
                                            std::make_unique<fakes::FakeUpdateTransport>(), files_, window_, "T");
    }

    HKEY root_ = HKEY_CURRENT_USER;  // the machine's for the update host
    DriveTable drives_;
    fakes::FakeUpdateHostSource hosts_;
    fakes::FakeUpdateTrustSource trust_;
    fakes::FakeUpdateCrypto crypto_;
    fakes::FakeUpdateWindowSide window_;
    fakes::FakeDownloadFiles files_;
};

TEST_F(RegistrySettingsTest, AFreshKeyGetsTheFourDefaultsAsDwords) {
    RegistrySettingsStore store;
    FlowOn(store)->FirstTick();
    for (const char* name : {setting::UpdatesAutoCheck, setting::UpdatesDontAsk, setting::HTTP_Proxy,
                             setting::HTTP_ProxyPort}) {
        EXPECT_EQ(Dword(name), (std::pair<DWORD, DWORD>{REG_DWORD, 0})) << name;
    }
    EXPECT_EQ(Dword(setting::HTTP_ProxyAddress).first, 0u) << "the address is not created";
    EXPECT_EQ(window_.CountOf(fakes::FakeUpdateWindowSide::Kind::Question), 1);
    EXPECT_EQ(window_.WindowSteps(), std::vector<std::string>{"menu"}) << "no start-up check";
}

TEST_F(RegistrySettingsTest, ValuesRoundTripWithTheirTypes) {
    RegistrySettingsStore store;
    {
        const auto key = store.Open(SettingsAccess::CreateReadWrite);
        key->WriteBool(setting::HTTP_Proxy, true);
        key->WriteInteger(setting::HTTP_ProxyPort, -8080);
        key->WriteString(setting::HTTP_ProxyAddress, " proxy.lan ");
    }
    const auto key = store.Open(SettingsAccess::ReadOnly);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->ReadBool(setting::HTTP_Proxy));
    EXPECT_EQ(key->ReadInteger(setting::HTTP_ProxyPort), -8080);
    EXPECT_EQ(key->ReadString(setting::HTTP_ProxyAddress), " proxy.lan ");
    EXPECT_EQ(key->ReadString("Missing"), "");
    EXPECT_FALSE(key->ValueExists("Missing"));
    EXPECT_EQ(Dword(setting::HTTP_ProxyPort), (std::pair<DWORD, DWORD>{REG_DWORD, static_cast<DWORD>(-8080)}));
}

TEST_F(RegistrySettingsTest, WrongTypesAreRefusedWithTheValueName) {
    enum class ReadAs { Bool, Integer, Text };
    const std::string dwordFive("\x05\0\0\0", 4);
    const struct {
        const char* Name;
        DWORD Type;  // REG_NONE: not stored
        std::string Bytes;
        ReadAs As;
        const char* Text;
    } cases[] = {
        {setting::HTTP_Proxy, REG_SZ, std::string("1", 2), ReadAs::Bool, "Invalid data type for 'HTTP_Proxy'"},
        {setting::HTTP_ProxyAddress, REG_DWORD, dwordFive, ReadAs::Text, "Invalid data type for 'HTTP_ProxyAddress'"},
        // Used as it stands it would name a host "%PROXY%"; refused instead.
        {setting::HTTP_ProxyAddress, REG_EXPAND_SZ, std::string("%PROXY%", 8), ReadAs::Text,
         "Invalid data type for 'HTTP_ProxyAddress'"},
        {setting::HTTP_ProxyPort, REG_QWORD, std::string(8, '\0'), ReadAs::Integer,
         "Invalid data type for 'HTTP_ProxyPort'"},
        {setting::UpdatesDontAsk, REG_NONE, {}, ReadAs::Bool, "Invalid data type for 'UpdatesDontAsk'"},
    };
    (void)CreateKey();
    RegistrySettingsStore store;
    for (const auto& c : cases) {
        if (c.Type != REG_NONE) Store(c.Name, c.Type, c.Bytes);
        const auto key = store.Open(SettingsAccess::ReadOnly);
        ASSERT_NE(key, nullptr);
        try {
            switch (c.As) {
                case ReadAs::Bool: (void)key->ReadBool(c.Name); break;
                case ReadAs::Integer: (void)key->ReadInteger(c.Name); break;
                case ReadAs::Text: (void)key->ReadString(c.Name); break;
            }
            ADD_FAILURE() << "read: " << c.Text;
        } catch (const SettingsError& error) {
            EXPECT_STREQ(error.what(), c.Text);
        }
    }
}

TEST_F(RegistrySettingsTest, AReadOnlyKeyRefusesWritesAndIsNeverCreated) {
    RegistrySettingsStore store;
    EXPECT_EQ(store.Open(SettingsAccess::ReadOnly), nullptr);
    EXPECT_EQ(ReadSettingsReadOnly(store), StoredSettings{});
    EXPECT_FALSE(KeyExists());

    (void)CreateKey();
    const auto key = store.Open(SettingsAccess::ReadOnly);
    ASSERT_NE(key, nullptr);
    try {
        key->WriteBool(setting::UpdatesAutoCheck, true);
        ADD_FAILURE() << "written";
    } catch (const SettingsError& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'UpdatesAutoCheck'");
    }
}

TEST_F(RegistrySettingsTest, TheUpdateHostIsReadAsText) {
    using State = UpdateHostSetting::State;
    root_ = HKEY_LOCAL_MACHINE;
    RegistryUpdateHost hosts;
    EXPECT_EQ(hosts.ReadUpdateHost().Kind, State::Absent) << "no key";
    (void)CreateKey();
    EXPECT_EQ(hosts.ReadUpdateHost().Kind, State::Absent) << "no value";
    StoreText(setting::UpdateHost, " 127.0.0.1:8080 ");
    const UpdateHostSetting text = hosts.ReadUpdateHost();
    EXPECT_EQ(text.Kind, State::Text);
    EXPECT_EQ(text.Text, " 127.0.0.1:8080 ");
    EXPECT_EQ(UpdateBaseUrl(text), std::optional<std::string>("http://127.0.0.1:8080/daveruri/"));
    StoreText(setting::UpdateHost, "%HOST%", REG_EXPAND_SZ);
    EXPECT_EQ(hosts.ReadUpdateHost().Kind, State::Unreadable);
}

TEST_F(RegistrySettingsTest, TheTrustSettingsAreReadFromTheMachinesKeyWithSignaturesRequiredByDefault) {
    root_ = HKEY_LOCAL_MACHINE;
    RegistryUpdateTrust trust;
    const auto read = [&trust] {
        const UpdateTrustSettings settings = trust.ReadUpdateTrust();
        return std::make_pair(settings.TrustedKey, settings.RequireSigned);
    };
    using Read = std::pair<std::optional<std::string>, bool>;
    EXPECT_EQ(read(), (Read{std::nullopt, true})) << "no key";
    (void)CreateKey();
    EXPECT_EQ(read(), (Read{std::nullopt, true})) << "no values";
    const DWORD off = 0;
    const DWORD two = 2;
    StoreText(setting::UpdateTrustedKey, "BM1+");
    Store(setting::RequireSignedUpdates, REG_DWORD, std::string(reinterpret_cast<const char*>(&off), sizeof off));
    EXPECT_EQ(read(), (Read{"BM1+", false}));
    StoreText(setting::UpdateTrustedKey, "BM1+", REG_EXPAND_SZ);
    Store(setting::RequireSignedUpdates, REG_DWORD, std::string(reinterpret_cast<const char*>(&two), sizeof two));
    EXPECT_EQ(read(), (Read{"", true})) << "a key of another type names nothing";
    StoreText(setting::RequireSignedUpdates, "0");
    EXPECT_EQ(read().second, true) << "a policy of another type stays on";
}

TEST_F(RegistrySettingsTest, NoMachineWideUpdateHostMeansTheBuiltInOne) {
    RegistryUpdateHost hosts;
    const UpdateHostSetting setting = hosts.ReadUpdateHost();
    EXPECT_EQ(setting.Kind, UpdateHostSetting::State::Absent);
    EXPECT_EQ(UpdateBaseUrl(setting), std::optional<std::string>("http://update.velmora.com/daveruri/"));
}

}  // namespace
}  // namespace velmora::update::win
