// What a VARIANT becomes as a WmiVariant. What a WmiVariant then gives as a
// number or a text is its own rule (tests/common/WmiVariantTest.cpp), and
// BSTR handling is Bstr's (RaiiWrappersTest), so each case here compares
// with the WmiVariant it must equal.

#include "common/win/VariantConversion.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win/Variant.h"

namespace velmora::win {
namespace {

struct ConversionCase {
    const char* Name;
    std::function<void(VARIANT&)> Fill;  // on an empty VARIANT; what it allocates the Variant frees
    WmiVariant Expected;
};

void ExpectConversions(const std::vector<ConversionCase>& cases) {
    for (const ConversionCase& c : cases) {
        Variant value;
        c.Fill(*value.put());
        EXPECT_EQ(ToWmiVariant(value.get()), c.Expected) << c.Name;
    }
}

TEST(ToWmiVariant, CopiesScalarsKeepingTheirType) {
    ExpectConversions({
        {"empty", [](VARIANT&) {}, WmiVariant()},
        {"null", [](VARIANT& v) { V_VT(&v) = VT_NULL; }, WmiVariant::Null()},
        {"32-bit integer", [](VARIANT& v) { V_VT(&v) = VT_I4; V_I4(&v) = -123456; }, WmiVariant::Int32(-123456)},
        {"byte", [](VARIANT& v) { V_VT(&v) = VT_UI1; V_UI1(&v) = 200; }, WmiVariant::Integer(vt::UI1, 200)},
        {"16-bit integer", [](VARIANT& v) { V_VT(&v) = VT_I2; V_I2(&v) = -2; }, WmiVariant::Integer(vt::I2, -2)},
        {"unsigned 32-bit", [](VARIANT& v) { V_VT(&v) = VT_UI4; V_UI4(&v) = 4000000000u; },
         WmiVariant::Integer(vt::UI4, 4000000000LL)},
        {"unsigned 64-bit keeps its bit pattern", [](VARIANT& v) { V_VT(&v) = VT_UI8; V_UI8(&v) = ~0ull; },
         WmiVariant::Integer(vt::UI8, -1)},
        {"double", [](VARIANT& v) { V_VT(&v) = VT_R8; V_R8(&v) = 2.5; }, WmiVariant::Real(2.5)},
        {"single", [](VARIANT& v) { V_VT(&v) = VT_R4; V_R4(&v) = 0.5f; }, WmiVariant::Real(0.5, vt::R4)},
        {"true", [](VARIANT& v) { V_VT(&v) = VT_BOOL; V_BOOL(&v) = VARIANT_TRUE; }, WmiVariant::Bool(true)},
        {"false", [](VARIANT& v) { V_VT(&v) = VT_BOOL; V_BOOL(&v) = VARIANT_FALSE; }, WmiVariant::Bool(false)},
        {"text", [](VARIANT& v) { V_VT(&v) = VT_BSTR; V_BSTR(&v) = ::SysAllocString(L"Wine Disk Drive"); },
         WmiVariant::Text(u"Wine Disk Drive")},
    });
}

TEST(ToWmiVariant, CopiesOneDimensionalArraysWithTheirBoundsAndElements) {
    std::vector<WmiVariant> bytes;
    for (int i = 0; i < 512; ++i) bytes.push_back(WmiVariant::Integer(vt::UI1, (i * 3) & 0xFF));
    ExpectConversions({
        {"512 bytes from zero",
         [](VARIANT& v) {
             V_VT(&v) = VT_ARRAY | VT_UI1;
             V_ARRAY(&v) = ::SafeArrayCreateVector(VT_UI1, 0, 512);
             for (LONG i = 0; i < 512; ++i) {
                 BYTE byte = static_cast<BYTE>(i * 3);
                 ::SafeArrayPutElement(V_ARRAY(&v), &i, &byte);
             }
         },
         WmiVariant::Array(vt::UI1, 0, bytes)},
        {"texts from five, the first never set",
         [](VARIANT& v) {
             SAFEARRAYBOUND bound{2, 5};
             V_VT(&v) = VT_ARRAY | VT_BSTR;
             V_ARRAY(&v) = ::SafeArrayCreate(VT_BSTR, 1, &bound);
             LONG index = 6;
             BSTR text = ::SysAllocString(L"six");
             ::SafeArrayPutElement(V_ARRAY(&v), &index, text);  // copies the text
             ::SysFreeString(text);
         },
         WmiVariant::Array(vt::Bstr, 5, {WmiVariant::Text(u""), WmiVariant::Text(u"six")})},
        {"variants element by element",
         [](VARIANT& v) {
             V_VT(&v) = VT_ARRAY | VT_VARIANT;
             V_ARRAY(&v) = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
             VARIANT element;
             ::VariantInit(&element);
             V_VT(&element) = VT_I4;
             V_I4(&element) = 9;
             LONG index = 0;
             ::SafeArrayPutElement(V_ARRAY(&v), &index, &element);
             V_VT(&element) = VT_NULL;
             index = 1;
             ::SafeArrayPutElement(V_ARRAY(&v), &index, &element);
         },
         WmiVariant::Array(vt::Variant, 0, {WmiVariant::Int32(9), WmiVariant::Null()})},
        {"no array at all",
         [](VARIANT& v) {
             V_VT(&v) = VT_ARRAY | VT_UI1;
             V_ARRAY(&v) = nullptr;
         },
         WmiVariant::Array(vt::UI1, 0, {})},
    });
}

TEST(ToWmiVariant, KeepsOnlyTheTypeOfWhatItCannotCopySafely) {
    static LONG referenced = 5;
    ExpectConversions({
        {"two dimensions",
         [](VARIANT& v) {
             SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
             V_VT(&v) = VT_ARRAY | VT_I4;
             V_ARRAY(&v) = ::SafeArrayCreate(VT_I4, 2, bounds);
         },
         WmiVariant::Opaque(vt::Array | vt::I4)},
        // 1-byte elements announced as 32-bit integers: reading them would run past the data.
        {"element size not matching the type",
         [](VARIANT& v) {
             V_VT(&v) = VT_ARRAY | VT_I4;
             V_ARRAY(&v) = ::SafeArrayCreateVector(VT_UI1, 0, 3);
         },
         WmiVariant::Opaque(vt::Array | vt::I4)},
        {"date", [](VARIANT& v) { V_VT(&v) = VT_DATE; V_DATE(&v) = 45000.0; }, WmiVariant::Opaque(vt::Date)},
        {"by reference",
         [](VARIANT& v) {
             V_VT(&v) = VT_BYREF | VT_I4;
             V_I4REF(&v) = &referenced;
         },
         WmiVariant::Opaque(VT_BYREF | VT_I4)},
    });
}

}  // namespace
}  // namespace velmora::win
