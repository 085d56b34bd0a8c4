#pragma once
// Copies a VARIANT as WMI returned it into the portable WmiVariant, keeping
// its VARTYPE. Scalars and one-dimensional arrays of scalars, texts and
// variants are copied with their bounds; anything else (objects, dates,
// by-reference values, multi-dimensional arrays, arrays whose element size
// does not match their type) keeps only its type code.

#include <windows.h>

#include <oleauto.h>

#include "common/WmiVariant.h"

namespace velmora::win {

// Raises std::bad_alloc when memory runs out.
[[nodiscard]] WmiVariant ToWmiVariant(const VARIANT& value);

}  // namespace velmora::win
