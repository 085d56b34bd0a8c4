#include "app/win/GaugeControl.h"

#include <gtest/gtest.h>

#include "tests/app/win/gui/WindowProbe.h"

namespace velmora::win {
namespace {

class GaugeControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterGaugeClass(::GetModuleHandleA(nullptr)));
        gauge_ = ::CreateWindowExA(0, kGaugeClass, "CGSSD_Life", WS_POPUP, 0, 0, 273, 33, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(gauge_, nullptr);
    }
    void TearDown() override {
        if (gauge_) ::DestroyWindow(gauge_);
    }
    HWND gauge_ = nullptr;
};

TEST_F(GaugeControlTest, StartsAtZeroAndPrintsThePositionAsItsText) {
    EXPECT_EQ(testing::WindowText(gauge_), "0%");
    ::SendMessageA(gauge_, kGaugeSetPosition, 95, 0);
    EXPECT_EQ(testing::WindowText(gauge_), "95%");
    EXPECT_EQ(::SendMessageA(gauge_, kGaugeGetPosition, 0, 0), 95);
}

TEST_F(GaugeControlTest, PositionsOutsideTheScaleAreClamped) {
    ::SendMessageA(gauge_, kGaugeSetPosition, 250, 0);
    EXPECT_EQ(testing::WindowText(gauge_), "100%");
    ::SendMessageA(gauge_, kGaugeSetPosition, static_cast<WPARAM>(-7), 0);
    EXPECT_EQ(testing::WindowText(gauge_), "0%");
}

TEST_F(GaugeControlTest, TextCannotBeSetApartFromThePosition) {
    ::SendMessageA(gauge_, kGaugeSetPosition, 40, 0);
    ::SetWindowTextA(gauge_, "77%");
    EXPECT_EQ(testing::WindowText(gauge_), "40%");
}

}  // namespace
}  // namespace velmora::win
