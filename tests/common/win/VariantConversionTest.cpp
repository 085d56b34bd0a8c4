#include "common/win/VariantConversion.h"

#include <gtest/gtest.h>

#include <string>

#include "common/win/SafeArray.h"
#include "common/win/Variant.h"

namespace velmora::win {
namespace {

TEST(ToWmiVariant, CopiesScalarsKeepingTheirType) {
    Variant value;
    VARIANT* v = value.put();

    V_VT(v) = VT_NULL;
    EXPECT_TRUE(ToWmiVariant(*v).IsNull());

    V_VT(v) = VT_I4;
    V_I4(v) = -123456;
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Int32(-123456));

    V_VT(v) = VT_UI1;
    V_UI1(v) = 200;
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Integer(vt::UI1, 200));

    V_VT(v) = VT_I2;
    V_I2(v) = -2;
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Integer(vt::I2, -2));

    V_VT(v) = VT_UI4;
    V_UI4(v) = 4000000000u;
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Integer(vt::UI4, 4000000000LL));

    V_VT(v) = VT_UI8;
    V_UI8(v) = 0xFFFFFFFFFFFFFFFFull;
    EXPECT_EQ(ToWmiVariant(*v).ToText(), u"18446744073709551615");

    V_VT(v) = VT_R8;
    V_R8(v) = 2.5;
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Real(2.5));

    V_VT(v) = VT_R4;
    V_R4(v) = 0.5f;
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Real(0.5, vt::R4));

    V_VT(v) = VT_BOOL;
    V_BOOL(v) = VARIANT_TRUE;
    EXPECT_EQ(ToWmiVariant(*v).ToInt32(), -1);
    V_BOOL(v) = VARIANT_FALSE;
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Bool(false));
}

TEST(ToWmiVariant, CopiesTextsIncludingNullAndEmbeddedNul) {
    Variant value;
    VARIANT* v = value.put();
    V_VT(v) = VT_BSTR;
    V_BSTR(v) = ::SysAllocStringLen(L"a\0b", 3);
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Text(std::u16string(u"a\0b", 3)));
    v = value.put();
    V_VT(v) = VT_BSTR;
    V_BSTR(v) = nullptr;
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Text(u""));
}

TEST(ToWmiVariant, CopiesByteArraysWithBoundsAndElements) {
    Variant value;
    VARIANT* v = value.put();
    SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, 512);
    ASSERT_NE(bytes, nullptr);
    for (LONG i = 0; i < 512; ++i) {
        BYTE byte = static_cast<BYTE>(i * 3);
        ASSERT_EQ(::SafeArrayPutElement(bytes, &i, &byte), S_OK);
    }
    V_VT(v) = VT_ARRAY | VT_UI1;
    V_ARRAY(v) = bytes;

    const WmiVariant copy = ToWmiVariant(*v);
    EXPECT_EQ(copy.Type(), vt::Array | vt::UI1);
    EXPECT_EQ(copy.LowerBound(), 0);
    EXPECT_EQ(copy.UpperBound(), 511);
    EXPECT_EQ(copy.Element(2).ToInt32(), 6);
    EXPECT_EQ(copy.Element(100).ToInt32(), 300 & 0xFF);
}

TEST(ToWmiVariant, KeepsANonZeroLowerBound) {
    SAFEARRAYBOUND bound{2, 5};  // elements 5 and 6
    Variant value;
    VARIANT* v = value.put();
    V_VT(v) = VT_ARRAY | VT_BSTR;
    V_ARRAY(v) = ::SafeArrayCreate(VT_BSTR, 1, &bound);
    ASSERT_NE(V_ARRAY(v), nullptr);
    LONG index = 6;
    BSTR text = ::SysAllocString(L"six");
    ASSERT_EQ(::SafeArrayPutElement(V_ARRAY(v), &index, text), S_OK);
    ::SysFreeString(text);

    const WmiVariant copy = ToWmiVariant(*v);
    EXPECT_EQ(copy.LowerBound(), 5);
    EXPECT_EQ(copy.UpperBound(), 6);
    EXPECT_EQ(copy.Element(5).ToText(), u"");
    EXPECT_EQ(copy.Element(6).ToText(), u"six");
}

TEST(ToWmiVariant, CopiesVariantArraysElementByElement) {
    Variant value;
    VARIANT* v = value.put();
    V_VT(v) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(v) = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT element;
    ::VariantInit(&element);
    V_VT(&element) = VT_I4;
    V_I4(&element) = 9;
    LONG index = 0;
    ASSERT_EQ(::SafeArrayPutElement(V_ARRAY(v), &index, &element), S_OK);
    V_VT(&element) = VT_NULL;
    index = 1;
    ASSERT_EQ(::SafeArrayPutElement(V_ARRAY(v), &index, &element), S_OK);

    const WmiVariant copy = ToWmiVariant(*v);
    EXPECT_EQ(copy.Type(), vt::Array | vt::Variant);
    EXPECT_EQ(copy.Element(0), WmiVariant::Int32(9));
    EXPECT_TRUE(copy.Element(1).IsNull());
}

TEST(ToWmiVariant, KeepsOnlyTheTypeOfWhatItCannotCopy) {
    Variant value;
    VARIANT* v = value.put();
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    V_VT(v) = VT_ARRAY | VT_I4;
    V_ARRAY(v) = ::SafeArrayCreate(VT_I4, 2, bounds);
    WmiVariant copy = ToWmiVariant(*v);
    EXPECT_EQ(copy.Type(), vt::Array | vt::I4);
    EXPECT_THROW((void)copy.Element(0), VariantConversionError) << "two dimensions";

    v = value.put();
    V_VT(v) = VT_DATE;
    V_DATE(v) = 45000.0;
    EXPECT_EQ(ToWmiVariant(*v), WmiVariant::Opaque(vt::Date));

    LONG number = 5;
    VARIANT byReference;
    ::VariantInit(&byReference);
    V_VT(&byReference) = VT_BYREF | VT_I4;
    V_I4REF(&byReference) = &number;
    EXPECT_EQ(ToWmiVariant(byReference).Type(), VT_BYREF | VT_I4);
    EXPECT_THROW((void)ToWmiVariant(byReference).ToInt32(), VariantConversionError);
}

TEST(ToWmiVariant, ArrayWhoseElementSizeDoesNotMatchItsTypeIsNotRead) {
    Variant value;
    VARIANT* v = value.put();
    // 1-byte elements announced as 32-bit integers: reading them would run past the data.
    V_VT(v) = VT_ARRAY | VT_I4;
    V_ARRAY(v) = ::SafeArrayCreateVector(VT_UI1, 0, 3);
    const WmiVariant copy = ToWmiVariant(*v);
    EXPECT_EQ(copy.ElementCount(), 0u);
    EXPECT_THROW((void)copy.LowerBound(), VariantConversionError);
}

TEST(ToWmiVariant, NullArrayPointerIsAnEmptyArray) {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = VT_ARRAY | VT_UI1;
    V_ARRAY(&v) = nullptr;
    const WmiVariant copy = ToWmiVariant(v);
    EXPECT_TRUE(copy.IsArray());
    EXPECT_EQ(copy.ElementCount(), 0u);
    EXPECT_EQ(copy.UpperBound(), -1);
}

}  // namespace
}  // namespace velmora::win
