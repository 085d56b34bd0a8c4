#include "common/WmiVariant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace velmora {

WmiVariant WmiVariant::Null() {
    WmiVariant v;
    v.type_ = vt::Null;
    return v;
}

WmiVariant WmiVariant::Int32(std::int32_t value) { return Integer(vt::I4, value); }

WmiVariant WmiVariant::Integer(std::uint16_t type, std::int64_t value) {
    WmiVariant v;
    v.type_ = type;
    v.integer_ = value;
    return v;
}

WmiVariant WmiVariant::Text(std::u16string value) {
    WmiVariant v;
    v.type_ = vt::Bstr;
    v.text_ = std::move(value);
    return v;
}

WmiVariant WmiVariant::Bool(bool value) {
    WmiVariant v;
    v.type_ = vt::Bool;
    v.integer_ = value ? -1 : 0;  // VARIANT_TRUE
    return v;
}

WmiVariant WmiVariant::Real(double value, std::uint16_t type) {
    WmiVariant v;
    v.type_ = type == vt::R4 ? vt::R4 : vt::R8;
    v.real_ = value;
    return v;
}

WmiVariant WmiVariant::Opaque(std::uint16_t type) {
    WmiVariant v;
    v.type_ = type;
    return v;
}

WmiVariant WmiVariant::Array(std::uint16_t elementType, std::int32_t lowerBound, std::vector<WmiVariant> elements) {
    WmiVariant v;
    v.type_ = static_cast<std::uint16_t>(vt::Array | elementType);
    v.lowerBound_ = lowerBound;
    v.elements_ = std::make_shared<const std::vector<WmiVariant>>(std::move(elements));
    return v;
}

namespace {

constexpr char kInvalidConversion[] = "Invalid variant type conversion";
constexpr char kTextNotInteger[] = "Could not convert variant of type (String) into type (Integer)";
constexpr char kOverflow[] = "Invalid variant operation: integer overflow";

bool IsIntegerType(std::uint16_t type) {
    switch (type) {
    case vt::I1: case vt::I2: case vt::I4: case vt::I8:
    case vt::UI1: case vt::UI2: case vt::UI4: case vt::UI8:
    case vt::Int: case vt::UInt:
        return true;
    default:
        return false;
    }
}

bool FitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

std::string Ascii(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::int32_t TextToInt32(const std::u16string& value) {
    // Blanks around the number are allowed, as the text-to-integer conversion allows them.
    const std::string text = Ascii(value);
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) throw VariantConversionError(kTextNotInteger);
    const std::size_t last = text.find_last_not_of(" \t");
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    if (*begin == '+') {
        ++begin;
        if (begin == end || *begin == '-') throw VariantConversionError(kTextNotInteger);
    }
    std::int64_t number = 0;
    const auto [stop, error] = std::from_chars(begin, end, number);
    if (error == std::errc::result_out_of_range) throw VariantConversionError(kOverflow);
    if (error != std::errc() || stop != end) throw VariantConversionError(kTextNotInteger);
    if (!FitsInt32(number)) throw VariantConversionError(kOverflow);
    return static_cast<std::int32_t>(number);
}

std::u16string RealToText(double value, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    return Widen(buffer);
}

}  // namespace

std::int32_t WmiVariant::ToInt32() const {
    if (type_ == vt::Bool) return integer_ ? -1 : 0;
    if (type_ == vt::UI8 && integer_ < 0) throw VariantConversionError(kOverflow);  // above 2^63
    if (IsIntegerType(type_)) {
        if (!FitsInt32(integer_)) throw VariantConversionError(kOverflow);
        return static_cast<std::int32_t>(integer_);
    }
    if (type_ == vt::R4 || type_ == vt::R8) {
        // Half to even, as the system's variant conversion rounds; NaN fails the range test.
        const double rounded = std::nearbyint(real_);
        if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw VariantConversionError(kOverflow);
        return static_cast<std::int32_t>(rounded);
    }
    if (type_ == vt::Bstr) return TextToInt32(text_);
    throw VariantConversionError(kInvalidConversion);
}

std::u16string WmiVariant::ToText() const {
    if (type_ == vt::Empty || type_ == vt::Null) return {};
    if (type_ == vt::Bstr) return text_;
    if (type_ == vt::Bool) return integer_ ? u"True" : u"False";
    if (type_ == vt::UI8) return Widen(std::to_string(static_cast<std::uint64_t>(integer_)));
    if (IsIntegerType(type_)) return Widen(std::to_string(integer_));
    if (type_ == vt::R4) return RealToText(real_, 7);
    if (type_ == vt::R8) return RealToText(real_, 15);
    throw VariantConversionError(kInvalidConversion);
}

std::int32_t WmiVariant::LowerBound() const {
    if (!IsArray() || !elements_) throw VariantConversionError("Variant is not an array");
    return lowerBound_;
}

std::int32_t WmiVariant::UpperBound() const {
    if (!IsArray() || !elements_) throw VariantConversionError("Variant is not an array");
    return static_cast<std::int32_t>(static_cast<std::int64_t>(lowerBound_) + static_cast<std::int64_t>(elements_->size()) - 1);
}

const WmiVariant& WmiVariant::Element(std::int32_t index) const {
    if (!IsArray() || !elements_) throw VariantConversionError("Variant is not an array");
    const std::int64_t position = static_cast<std::int64_t>(index) - lowerBound_;
    if (position < 0 || position >= static_cast<std::int64_t>(elements_->size()))
        throw VariantConversionError("Variant array index out of bounds");
    return (*elements_)[static_cast<std::size_t>(position)];
}

bool operator==(const WmiVariant& a, const WmiVariant& b) {
    if (a.type_ != b.type_ || a.integer_ != b.integer_ || a.real_ != b.real_ || a.text_ != b.text_) return false;
    if (!a.IsArray()) return true;
    if (!a.elements_ || !b.elements_) return a.elements_ == b.elements_;  // opaque arrays
    return a.lowerBound_ == b.lowerBound_ && *a.elements_ == *b.elements_;
}

}  // namespace velmora
