#pragma once
// A portable copy of a WMI property value that keeps the VARIANT type code,
// so callers can check the type before they convert, as they do on Windows.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora {

// VARTYPE codes as Windows numbers them.
namespace vt {
inline constexpr std::uint16_t Empty = 0;
inline constexpr std::uint16_t Null = 1;
inline constexpr std::uint16_t I2 = 2;
inline constexpr std::uint16_t I4 = 3;
inline constexpr std::uint16_t R4 = 4;
inline constexpr std::uint16_t R8 = 5;
inline constexpr std::uint16_t Cy = 6;
inline constexpr std::uint16_t Date = 7;
inline constexpr std::uint16_t Bstr = 8;
inline constexpr std::uint16_t Dispatch = 9;
inline constexpr std::uint16_t Error = 10;
inline constexpr std::uint16_t Bool = 11;
inline constexpr std::uint16_t Variant = 12;
inline constexpr std::uint16_t Unknown = 13;
inline constexpr std::uint16_t Decimal = 14;
inline constexpr std::uint16_t I1 = 16;
inline constexpr std::uint16_t UI1 = 17;
inline constexpr std::uint16_t UI2 = 18;
inline constexpr std::uint16_t UI4 = 19;
inline constexpr std::uint16_t I8 = 20;
inline constexpr std::uint16_t UI8 = 21;
inline constexpr std::uint16_t Int = 22;
inline constexpr std::uint16_t UInt = 23;
inline constexpr std::uint16_t Array = 0x2000;
}  // namespace vt

// Raised by a conversion that the value's type or text does not allow.
class VariantConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class WmiVariant {
public:
    WmiVariant() = default;  // VT_EMPTY

    [[nodiscard]] static WmiVariant Null();
    [[nodiscard]] static WmiVariant Int32(std::int32_t value);
    // Any integer VARTYPE (I1..UI8, INT, UINT); the value is kept as 64 bits
    // (UI8 as its bit pattern).
    [[nodiscard]] static WmiVariant Integer(std::uint16_t type, std::int64_t value);
    [[nodiscard]] static WmiVariant Text(std::u16string value);
    [[nodiscard]] static WmiVariant Bool(bool value);
    // R8 unless told R4.
    [[nodiscard]] static WmiVariant Real(double value, std::uint16_t type = vt::R8);
    // A value whose type is kept but whose content is not copied (objects,
    // dates, currency, multi-dimensional arrays); every conversion raises.
    [[nodiscard]] static WmiVariant Opaque(std::uint16_t type);
    // A one-dimensional array; Type() is vt::Array | elementType.
    [[nodiscard]] static WmiVariant Array(std::uint16_t elementType, std::int32_t lowerBound,
                                          std::vector<WmiVariant> elements);

    [[nodiscard]] std::uint16_t Type() const { return type_; }
    [[nodiscard]] bool IsNull() const { return type_ == vt::Null; }
    [[nodiscard]] bool IsEmpty() const { return type_ == vt::Empty; }
    [[nodiscard]] bool IsText() const { return type_ == vt::Bstr; }
    [[nodiscard]] bool IsInt32() const { return type_ == vt::I4; }
    [[nodiscard]] bool IsArray() const { return (type_ & vt::Array) != 0; }

    // Integer conversion as the variant type does it: integers and reals
    // (rounded half to even) must fit 32 bits, a boolean gives -1 or 0, a
    // text must hold a decimal integer that fits. Raises VariantConversionError
    // otherwise (null, empty, out of range, bad text, array, opaque).
    [[nodiscard]] std::int32_t ToInt32() const;
    // Text conversion: null and empty give the empty text; integers decimal;
    // reals with up to 15 (R4: 7) significant digits; booleans "True"/"False".
    // Raises VariantConversionError for an array or an opaque value.
    [[nodiscard]] std::u16string ToText() const;

    // Dimension-1 bounds and elements of an array; raise VariantConversionError
    // when the value is not an array or the index is outside the bounds.
    [[nodiscard]] std::int32_t LowerBound() const;
    [[nodiscard]] std::int32_t UpperBound() const;
    [[nodiscard]] const WmiVariant& Element(std::int32_t index) const;

    // Raw accessors for code that maps the value onto a platform VARIANT.
    [[nodiscard]] std::int64_t IntegerValue() const { return integer_; }
    [[nodiscard]] double RealValue() const { return real_; }
    [[nodiscard]] const std::u16string& TextValue() const { return text_; }

    friend bool operator==(const WmiVariant& a, const WmiVariant& b);

private:
    std::uint16_t type_ = vt::Empty;
    std::int64_t integer_ = 0;
    double real_ = 0.0;
    std::u16string text_;
    std::int32_t lowerBound_ = 0;
    // Shared and immutable: copying a cell with a 4 KiB array stays cheap.
    std::shared_ptr<const std::vector<WmiVariant>> elements_;
};

}  // namespace velmora
