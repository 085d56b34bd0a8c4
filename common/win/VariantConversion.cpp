#include "common/win/VariantConversion.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/win/Bstr.h"
#include "common/win/SafeArrayAccess.h"

namespace velmora::win {

namespace {

// Arrays nested in variant arrays are followed only this deep.
constexpr int kMaxNesting = 8;

WmiVariant Convert(const VARIANT& value, int depth);

template <typename T>
T Load(const void* data, std::int64_t index) {
    T element;
    std::memcpy(&element, static_cast<const std::uint8_t*>(data) + index * static_cast<std::int64_t>(sizeof(T)),
                sizeof(T));
    return element;
}

template <typename T>
std::vector<WmiVariant> Integers(VARTYPE type, const void* data, std::int64_t count) {
    std::vector<WmiVariant> elements;
    elements.reserve(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i)
        elements.push_back(WmiVariant::Integer(type, static_cast<std::int64_t>(Load<T>(data, i))));
    return elements;
}

// Element size the array must have for each element type it can hold, or 0.
UINT ElementSize(VARTYPE type) {
    switch (type) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: return 4;
    case VT_I8: case VT_UI8: case VT_R8: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

WmiVariant ConvertArray(const VARIANT& value, int depth) {
    const VARTYPE type = V_VT(&value);
    const VARTYPE elementType = static_cast<VARTYPE>(type & VT_TYPEMASK);
    SAFEARRAY* array = V_ARRAY(&value);
    if (!array) return WmiVariant::Array(elementType, 0, {});
    ArrayBounds bounds;
    const UINT size = ElementSize(elementType);
    if (size == 0 || depth >= kMaxNesting || !OneDimensionalBounds(array, bounds) ||
        ::SafeArrayGetElemsize(array) != size) {
        return WmiVariant::Opaque(type);
    }
    SafeArrayAccess access(array);
    if (!access.Ok()) return WmiVariant::Opaque(type);
    const void* data = access.Data();
    const std::int64_t count = bounds.Count;
    std::vector<WmiVariant> elements;
    switch (elementType) {
    case VT_I1: elements = Integers<std::int8_t>(elementType, data, count); break;
    case VT_UI1: elements = Integers<std::uint8_t>(elementType, data, count); break;
    case VT_I2: elements = Integers<std::int16_t>(elementType, data, count); break;
    case VT_UI2: elements = Integers<std::uint16_t>(elementType, data, count); break;
    case VT_I4: case VT_INT: elements = Integers<std::int32_t>(elementType, data, count); break;
    case VT_UI4: case VT_UINT: elements = Integers<std::uint32_t>(elementType, data, count); break;
    case VT_I8: elements = Integers<std::int64_t>(elementType, data, count); break;
    case VT_UI8: elements = Integers<std::int64_t>(elementType, data, count); break;  // bit pattern
    default:
        elements.reserve(static_cast<std::size_t>(count));
        for (std::int64_t i = 0; i < count; ++i) {
            switch (elementType) {
            case VT_R4: elements.push_back(WmiVariant::Real(Load<float>(data, i), vt::R4)); break;
            case VT_R8: elements.push_back(WmiVariant::Real(Load<double>(data, i))); break;
            case VT_BOOL: elements.push_back(WmiVariant::Bool(Load<VARIANT_BOOL>(data, i) != VARIANT_FALSE)); break;
            case VT_BSTR: elements.push_back(WmiVariant::Text(Bstr::Text(Load<BSTR>(data, i)))); break;
            default:  // VT_VARIANT
                elements.push_back(Convert(static_cast<const VARIANT*>(data)[i], depth + 1));
                break;
            }
        }
        break;
    }
    return WmiVariant::Array(elementType, bounds.Lower, std::move(elements));
}

WmiVariant Convert(const VARIANT& value, int depth) {
    const VARTYPE type = V_VT(&value);
    if (type & VT_BYREF) return WmiVariant::Opaque(type);
    if (type & VT_ARRAY) return ConvertArray(value, depth);
    switch (type) {
    case VT_EMPTY: return WmiVariant();
    case VT_NULL: return WmiVariant::Null();
    case VT_I1: return WmiVariant::Integer(type, V_I1(&value));
    case VT_UI1: return WmiVariant::Integer(type, V_UI1(&value));
    case VT_I2: return WmiVariant::Integer(type, V_I2(&value));
    case VT_UI2: return WmiVariant::Integer(type, V_UI2(&value));
    case VT_I4: return WmiVariant::Integer(type, V_I4(&value));
    case VT_UI4: return WmiVariant::Integer(type, V_UI4(&value));
    case VT_INT: return WmiVariant::Integer(type, V_INT(&value));
    case VT_UINT: return WmiVariant::Integer(type, V_UINT(&value));
    case VT_I8: return WmiVariant::Integer(type, V_I8(&value));
    case VT_UI8: return WmiVariant::Integer(type, static_cast<std::int64_t>(V_UI8(&value)));
    case VT_R4: return WmiVariant::Real(V_R4(&value), vt::R4);
    case VT_R8: return WmiVariant::Real(V_R8(&value));
    case VT_BOOL: return WmiVariant::Bool(V_BOOL(&value) != VARIANT_FALSE);
    case VT_BSTR: return WmiVariant::Text(Bstr::Text(V_BSTR(&value)));
    default: return WmiVariant::Opaque(type);
    }
}

}  // namespace

WmiVariant ToWmiVariant(const VARIANT& value) { return Convert(value, 0); }

}  // namespace velmora::win
