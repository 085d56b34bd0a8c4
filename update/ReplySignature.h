#pragma once
// The maker signs each update reply: one line "signature=<base64 of a DER
// ECDSA P-256 signature>" in its [file version] section, over the SHA-256 of
// the reply body with that whole line, its line end included, removed. This
// part finds the line and gives the bytes that were signed; the system's
// cryptography checks them (update/win).

#include <optional>
#include <string>
#include <string_view>

namespace velmora::update {

struct ReplySignature {
    std::string SignedBody;          // the body without the signature line
    std::optional<std::string> Der;  // the signature's bytes; empty without a (well-formed) signature line
};

// The first "signature=" line of the first [file version] block is the
// signature; the body is read as the reply's lines are (up to its first NUL,
// lines ending at CR, LF or CR LF, blanks around a line ignored).
[[nodiscard]] ReplySignature SplitReplySignature(std::string_view body);

}  // namespace velmora::update
