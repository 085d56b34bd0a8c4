#pragma once
// The system's ANSI code page (CP_ACP) through MultiByteToWideChar and
// WideCharToMultiByte; the Windows programs install it at start. Characters
// without an ANSI form become '?' (no best-fit look-alikes).

#include "common/AnsiText.h"

namespace velmora::win {

class WinAnsiCodec final : public AnsiCodec {
public:
    // Both raise std::length_error for texts beyond 2^31 - 1 units.
    [[nodiscard]] std::u16string ToUtf16(std::string_view ansi) const override;
    [[nodiscard]] std::string FromUtf16(std::u16string_view text) const override;
};

}  // namespace velmora::win
