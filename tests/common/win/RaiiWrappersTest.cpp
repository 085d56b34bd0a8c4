#include <gtest/gtest.h>

#include <string>

#include "common/win/Bstr.h"
#include "common/win/ComScope.h"
#include "common/win/SafeArray.h"
#include "common/win/SafeArrayAccess.h"
#include "common/win/Variant.h"

namespace velmora::win {
namespace {

TEST(ComScope, NestedScopesAgreeAndAnotherModelIsLeftAlone) {
    ComScope outer;
    ASSERT_EQ(outer.Result(), S_OK);
    {
        ComScope nested;
        EXPECT_EQ(nested.Result(), S_FALSE);
        EXPECT_TRUE(nested.Ok());
    }
    {
        ComScope otherModel(COINIT_MULTITHREADED);
        EXPECT_EQ(otherModel.Result(), RPC_E_CHANGED_MODE);
        EXPECT_FALSE(otherModel.Ok());
    }
    // The failed scope did not uninitialise: the thread is still in its apartment.
    ComScope again;
    EXPECT_EQ(again.Result(), S_FALSE);
}

TEST(Bstr, HoldsTextWithItsLengthAndNullIsEmpty) {
    const Bstr text(std::u16string(u"a\0b", 3));
    EXPECT_EQ(::SysStringLen(text.get()), 3u);
    EXPECT_EQ(text.ToUtf16(), std::u16string(u"a\0b", 3));
    EXPECT_EQ(Bstr().ToUtf16(), u"");
    EXPECT_EQ(Bstr::Text(nullptr), u"");
}

TEST(Bstr, PutFreesWhatWasHeldAndMovesTransferOwnership) {
    Bstr text(u"first");
    BSTR* slot = text.put();
    EXPECT_EQ(*slot, nullptr);
    *slot = ::SysAllocString(L"second");
    Bstr moved(std::move(text));
    EXPECT_EQ(moved.ToUtf16(), u"second");
    EXPECT_EQ(text.get(), nullptr);  // NOLINT(bugprone-use-after-move): moved-from state is defined
}

TEST(Variant, PutClearsWhatWasHeldToEmpty) {
    Variant value;
    VARIANT* slot = value.put();
    V_VT(slot) = VT_BSTR;
    V_BSTR(slot) = ::SysAllocString(L"text");
    slot = value.put();
    EXPECT_EQ(V_VT(slot), VT_EMPTY);
}

TEST(SafeArrayAccess, GivesBoundsOfOneDimensionalArraysOnly) {
    SAFEARRAYBOUND bound{3, 7};
    SafeArray single(::SafeArrayCreate(VT_I4, 1, &bound));
    ArrayBounds bounds;
    ASSERT_TRUE(OneDimensionalBounds(single.get(), bounds));
    EXPECT_EQ(bounds.Lower, 7);
    EXPECT_EQ(bounds.Count, 3);

    SAFEARRAYBOUND empty{0, 0};
    SafeArray none(::SafeArrayCreate(VT_I4, 1, &empty));
    ASSERT_TRUE(OneDimensionalBounds(none.get(), bounds));
    EXPECT_EQ(bounds.Count, 0);

    SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
    SafeArray twoDimensional(::SafeArrayCreate(VT_I4, 2, square));
    EXPECT_FALSE(OneDimensionalBounds(twoDimensional.get(), bounds));
    EXPECT_FALSE(OneDimensionalBounds(nullptr, bounds));
}

TEST(SafeArrayAccess, LocksWhileInScopeAndUnlocksAfterwards) {
    SafeArray array(::SafeArrayCreateVector(VT_I4, 0, 4));
    {
        SafeArrayAccess access(array.get());
        ASSERT_TRUE(access.Ok());
        EXPECT_NE(access.Data(), nullptr);
        // A locked array cannot be destroyed.
        EXPECT_EQ(::SafeArrayDestroy(array.get()), DISP_E_ARRAYISLOCKED);
    }
    EXPECT_EQ(array.get()->cLocks, 0u);
    SafeArrayAccess none(nullptr);
    EXPECT_FALSE(none.Ok());
}

}  // namespace
}  // namespace velmora::win
