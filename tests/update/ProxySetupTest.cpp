#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/Int32Text.h"
#include "update/ProxySetup.h"
#include "tests/fakes/FakeProxySetupView.h"
#include "tests/fakes/FakeSettingsStore.h"

namespace velmora::update {
namespace {

using fakes::StoredValue;

class ProxySetupTest : public ::testing::Test {
protected:
    fakes::FakeProxySetupView view;
    ProxySettings proxy;
    fakes::FakeSettingsStore store;
    ProxySetupPresenter presenter{view, proxy, store};
};

TEST_F(ProxySetupTest, OnACleanProfileTheDialogShowsAnUncheckedBoxAndPortZero) {
    presenter.FormShow();
    EXPECT_FALSE(view.Checked);
    EXPECT_EQ(view.Address, "");
    EXPECT_EQ(view.Port, "0");
    EXPECT_FALSE(view.Editable);
}

TEST_F(ProxySetupTest, AStoredProxyShowsEditableFields) {
    proxy = {true, "proxy.lan", 3128};
    presenter.FormShow();
    EXPECT_TRUE(view.Checked);
    EXPECT_EQ(view.Address, "proxy.lan");
    EXPECT_EQ(view.Port, "3128");
    EXPECT_TRUE(view.Editable);
}

TEST_F(ProxySetupTest, TheBoxSwitchesTheFieldsAndKeepsTheirTexts) {
    presenter.FormShow();
    view.Address = "typed";
    view.Checked = true;
    presenter.CBUseHTTP_ProxyClick();
    EXPECT_TRUE(view.Editable);
    view.Checked = false;
    presenter.CBUseHTTP_ProxyClick();
    EXPECT_FALSE(view.Editable);
    EXPECT_EQ(view.Address, "typed");
}

TEST_F(ProxySetupTest, SavingAProxyStoresItAsTypedAndCloses) {
    presenter.FormShow();
    view.Checked = true;
    view.Address = " proxy.lan ";
    view.Port = "8080";
    presenter.BSaveClick();
    EXPECT_EQ(store.Values, (std::map<std::string, StoredValue>{{"HTTP_Proxy", 1},
                                                                {"HTTP_ProxyAddress", std::string(" proxy.lan ")},
                                                                {"HTTP_ProxyPort", 8080}}));
    EXPECT_EQ(proxy, (ProxySettings{true, " proxy.lan ", 8080}));
    EXPECT_EQ(view.ClosedWithOk, 1);
    EXPECT_TRUE(view.Errors.empty());
}

TEST_F(ProxySetupTest, RefusalsKeepTheDialogOpenAndWriteNothing) {
    struct Case {
        std::string Address;
        std::string Port;
        const char* Error;
    };
    const Case cases[] = {
        {"", "8080", "Address field is empty!"},
        {"proxy", "80a", "Error in Port field!"},
        {"proxy", "", "Error in Port field!"},
        {"proxy", " 80", "Error in Port field!"},
        {"proxy", "2147483648", "Error in Port field!"},
    };
    for (const auto& c : cases) {
        view.Errors.clear();
        view.Checked = true;
        view.Address = c.Address;
        view.Port = c.Port;
        presenter.BSaveClick();
        EXPECT_EQ(view.Errors, std::vector<std::string>{c.Error}) << c.Address << "/" << c.Port;
        EXPECT_EQ(view.Address, c.Address);
        EXPECT_EQ(view.Port, c.Port);
    }
    EXPECT_TRUE(store.Values.empty());
    EXPECT_EQ(view.ClosedWithOk, 0);
    EXPECT_EQ(proxy, ProxySettings{});
}

TEST_F(ProxySetupTest, UncheckingKeepsTheOldAddressAndPortEverywhere) {
    store.Values = {{"HTTP_Proxy", 1}, {"HTTP_ProxyAddress", std::string("old")}, {"HTTP_ProxyPort", 3128}};
    proxy = {true, "old", 3128};
    presenter.FormShow();
    view.Checked = false;
    presenter.BSaveClick();
    EXPECT_EQ(store.Values["HTTP_Proxy"], StoredValue(0));
    EXPECT_EQ(store.Values["HTTP_ProxyAddress"], StoredValue(std::string("old")));
    EXPECT_EQ(store.Values["HTTP_ProxyPort"], StoredValue(3128));
    EXPECT_EQ(proxy, (ProxySettings{false, "old", 3128}));
    presenter.FormShow();
    EXPECT_EQ(view.Address, "old");
    EXPECT_EQ(view.Port, "3128");
}

TEST_F(ProxySetupTest, AFailedWriteIsShownAndTheSettingsStayAsTheyWere) {
    store.FailWritesOf = {"HTTP_ProxyPort"};
    view.Checked = true;
    view.Address = "proxy";
    view.Port = "8080";
    presenter.BSaveClick();
    EXPECT_EQ(view.Errors, std::vector<std::string>{"Failed to set data for 'HTTP_ProxyPort'"});
    EXPECT_EQ(view.ClosedWithOk, 0);
    EXPECT_EQ(proxy, ProxySettings{});
}

TEST(Int32Text, AcceptsASignAndDigitsWithin32Bits) {
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
        {"0", 0},
        {"8080", 8080},
        {"+80", 80},
        {"-1", -1},
        {"65536", 65536},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"007", 7},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+-1", std::nullopt},
        {"80a", std::nullopt},
        {"0x50", std::nullopt},
        {" 80", std::nullopt},
        {"80 ", std::nullopt},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseInt32Text(text), value) << "'" << text << "'";
}

}  // namespace
}  // namespace velmora::update
