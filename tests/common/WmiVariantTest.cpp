#include "common/WmiVariant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace velmora {
namespace {

struct Int32Case {
    const char* name;
    WmiVariant value;
    std::int32_t expected;
};

TEST(WmiVariantToInt32, ConvertsEveryNumericAndTextualForm) {
    const Int32Case cases[] = {
        {"32-bit integer", WmiVariant::Int32(-7), -7},
        {"byte", WmiVariant::Integer(vt::UI1, 255), 255},
        {"unsigned 32-bit within range", WmiVariant::Integer(vt::UI4, 2147483647), 2147483647},
        {"64-bit within range", WmiVariant::Integer(vt::I8, -2147483648LL), std::numeric_limits<std::int32_t>::min()},
        {"true", WmiVariant::Bool(true), -1},
        {"false", WmiVariant::Bool(false), 0},
        {"decimal text", WmiVariant::Text(u"1234"), 1234},
        {"text with blanks and sign", WmiVariant::Text(u"  +42\t"), 42},
        {"negative text", WmiVariant::Text(u"-5"), -5},
        {"real rounds half to even down", WmiVariant::Real(2.5), 2},
        {"real rounds half to even up", WmiVariant::Real(3.5), 4},
        {"single real", WmiVariant::Real(-1.25, vt::R4), -1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.value.ToInt32(), c.expected) << c.name;
}

TEST(WmiVariantToInt32, RaisesForValuesWithoutAnIntegerMeaning) {
    const std::pair<const char*, WmiVariant> cases[] = {
        {"null", WmiVariant::Null()},
        {"empty", WmiVariant()},
        {"blank text", WmiVariant::Text(u"   ")},
        {"empty text", WmiVariant::Text(u"")},
        {"text with trailing letters", WmiVariant::Text(u"12ab")},
        {"text with a fraction", WmiVariant::Text(u"1.5")},
        {"lone plus", WmiVariant::Text(u"+")},
        {"plus then minus", WmiVariant::Text(u"+-3")},
        {"text beyond 32 bits", WmiVariant::Text(u"2147483648")},
        {"text beyond 64 bits", WmiVariant::Text(u"99999999999999999999")},
        {"non-ASCII digits", WmiVariant::Text(u"\uFF11")},
        {"64-bit beyond 32 bits", WmiVariant::Integer(vt::I8, 5000000000LL)},
        {"unsigned 32-bit beyond signed range", WmiVariant::Integer(vt::UI4, 4294967295LL)},
        {"unsigned 64-bit above 2^63", WmiVariant::Integer(vt::UI8, -1)},
        {"real beyond 32 bits", WmiVariant::Real(3e9)},
        {"not a number", WmiVariant::Real(std::numeric_limits<double>::quiet_NaN())},
        {"array", WmiVariant::Array(vt::UI1, 0, {WmiVariant::Integer(vt::UI1, 1)})},
        {"object", WmiVariant::Opaque(vt::Unknown)},
    };
    for (const auto& [name, value] : cases) EXPECT_THROW((void)value.ToInt32(), VariantConversionError) << name;
}

TEST(WmiVariantToText, GivesTheTextCallersShow) {
    const std::pair<WmiVariant, std::u16string> cases[] = {
        {WmiVariant::Null(), u""},
        {WmiVariant(), u""},
        {WmiVariant::Text(u"Wine Disk Drive"), u"Wine Disk Drive"},
        {WmiVariant::Int32(-12), u"-12"},
        {WmiVariant::Integer(vt::UI8, -1), u"18446744073709551615"},
        {WmiVariant::Integer(vt::I8, -9000000000LL), u"-9000000000"},
        {WmiVariant::Bool(true), u"True"},
        {WmiVariant::Bool(false), u"False"},
        {WmiVariant::Real(1.5), u"1.5"},
        {WmiVariant::Real(0.1, vt::R4), u"0.1"},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(value.ToText(), expected) << value.Type();
}

TEST(WmiVariantToText, RaisesForArraysAndOpaqueValues) {
    EXPECT_THROW((void)WmiVariant::Array(vt::Bstr, 0, {}).ToText(), VariantConversionError);
    EXPECT_THROW((void)WmiVariant::Opaque(vt::Date).ToText(), VariantConversionError);
}

TEST(WmiVariant, KeepsTheTypeCodeOfEveryKind) {
    EXPECT_EQ(WmiVariant().Type(), vt::Empty);
    EXPECT_EQ(WmiVariant::Null().Type(), 1);
    EXPECT_EQ(WmiVariant::Int32(0).Type(), 3);
    EXPECT_EQ(WmiVariant::Text(u"").Type(), 8);
    EXPECT_EQ(WmiVariant::Bool(false).Type(), 11);
    EXPECT_EQ(WmiVariant::Real(0).Type(), vt::R8);
    EXPECT_EQ(WmiVariant::Real(0, vt::R4).Type(), vt::R4);
    EXPECT_EQ(WmiVariant::Opaque(vt::Unknown).Type(), vt::Unknown);
    EXPECT_EQ(WmiVariant::Array(vt::UI1, 0, {}).Type(), 0x2011);
    EXPECT_TRUE(WmiVariant::Null().IsNull());
    EXPECT_TRUE(WmiVariant::Int32(1).IsInt32());
    EXPECT_FALSE(WmiVariant::Integer(vt::UI1, 1).IsInt32());
}

TEST(WmiVariantArray, KeepsBoundsAndGivesElementsByIndex) {
    std::vector<WmiVariant> bytes;
    for (int i = 0; i < 512; ++i) bytes.push_back(WmiVariant::Integer(vt::UI1, i & 0xFF));
    const WmiVariant vendorSpecific = WmiVariant::Array(vt::UI1, 0, bytes);
    EXPECT_TRUE(vendorSpecific.IsArray());
    EXPECT_EQ(vendorSpecific.LowerBound(), 0);
    EXPECT_EQ(vendorSpecific.UpperBound(), 511);
    EXPECT_EQ(vendorSpecific.Element(258).ToInt32(), 2);

    const WmiVariant shifted = WmiVariant::Array(vt::Bstr, 5, {WmiVariant::Text(u"a"), WmiVariant::Text(u"b")});
    EXPECT_EQ(shifted.LowerBound(), 5);
    EXPECT_EQ(shifted.UpperBound(), 6);
    EXPECT_EQ(shifted.Element(6).ToText(), u"b");
}

TEST(WmiVariantArray, EmptyArrayHasUpperBoundBelowLowerBound) {
    const WmiVariant empty = WmiVariant::Array(vt::I4, 1, {});
    EXPECT_EQ(empty.LowerBound(), 1);
    EXPECT_EQ(empty.UpperBound(), 0);
    EXPECT_THROW((void)empty.Element(1), VariantConversionError);
}

TEST(WmiVariantArray, RaisesOutsideTheBoundsAndForNonArrays) {
    const WmiVariant array = WmiVariant::Array(vt::I4, 1, {WmiVariant::Int32(10), WmiVariant::Int32(20)});
    for (std::int32_t index : {0, 3, -1, std::numeric_limits<std::int32_t>::min()})
        EXPECT_THROW((void)array.Element(index), VariantConversionError) << index;
    const WmiVariant scalar = WmiVariant::Int32(1);
    EXPECT_THROW((void)scalar.LowerBound(), VariantConversionError);
    EXPECT_THROW((void)scalar.UpperBound(), VariantConversionError);
    EXPECT_THROW((void)scalar.Element(0), VariantConversionError);
    // A multi-dimensional array is kept by type only; reading it raises, never crashes.
    const WmiVariant opaqueArray = WmiVariant::Opaque(static_cast<std::uint16_t>(vt::Array | vt::I4));
    EXPECT_TRUE(opaqueArray.IsArray());
    EXPECT_THROW((void)opaqueArray.LowerBound(), VariantConversionError);
    EXPECT_THROW((void)opaqueArray.Element(0), VariantConversionError);
}

TEST(WmiVariant, CopiesCompareEqualAndDifferentValuesDoNot) {
    const WmiVariant array = WmiVariant::Array(vt::UI1, 0, {WmiVariant::Integer(vt::UI1, 7)});
    const WmiVariant copy = array;
    EXPECT_EQ(copy, array);
    EXPECT_FALSE(array == WmiVariant::Array(vt::UI1, 1, {WmiVariant::Integer(vt::UI1, 7)}));
    EXPECT_FALSE(array == WmiVariant::Array(vt::UI1, 0, {WmiVariant::Integer(vt::UI1, 8)}));
    EXPECT_FALSE(WmiVariant::Int32(1) == WmiVariant::Integer(vt::I2, 1));
    EXPECT_FALSE(WmiVariant::Null() == WmiVariant());
    EXPECT_EQ(WmiVariant::Opaque(0x2003), WmiVariant::Opaque(0x2003));
}

}  // namespace
}  // namespace velmora
