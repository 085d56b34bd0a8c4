// The system's cryptography against vectors made by openssl with the tests'
// signing key (tests/data/update/test-signing-key.pem):
//   printf 'velmora update reply\r\n' >msg
//   openssl dgst -sha256 -sign test-signing-key.pem -out sig.der msg
//   openssl ec -in test-signing-key.pem -pubout -outform DER | tail -c 65   (the point)

#include "update/win/CngCrypto.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora::win {
namespace {

std::string FromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

const std::string kMessage = "velmora update reply\r\n";
const std::string kPoint = FromHex(
    "04cd7ea6f6ca1e39bccbc6f621f06b75a88f9544c4967d0b30235220540925c57534450d5ee20ec69bf6dfe60430e5d3735060b328fc0119"
    "2d5da24f2d71a10b83");
const std::string kDer = FromHex(
    "3045022100da595726fa95a901fa909c99ba510b4bd6d22380fdfa012f81488f36b1e2d4f002207fe385dc70f0dc5dabc74eb8c2de1e315a"
    "80460c784554d2608b3ef6e5ec0b11");

TEST(CngCrypto, Sha256GivesTheStandardsVector) {
    // FIPS 180-2's "abc".
    const auto digest = Sha256("abc");
    ASSERT_TRUE(digest);
    EXPECT_EQ(std::string(digest->begin(), digest->end()),
              FromHex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

TEST(CngCrypto, AcceptsOpensslsSignatureAndNothingChanged) {
    EXPECT_TRUE(VerifyEcdsaP256Sha256(kMessage, kDer, kPoint));

    std::string message = kMessage;
    message[0] ^= 1;
    std::string der = kDer;
    der[10] ^= 1;
    std::string point = kPoint;
    point[5] ^= 1;
    const struct {
        const char* Name;
        std::string Message, Der, Point;
    } refused[] = {
        {"a changed byte of the reply", message, kDer, kPoint},
        {"a changed byte of the signature", kMessage, der, kPoint},
        {"another key", kMessage, kDer, point},
        {"no signature", kMessage, "", kPoint},
        {"a cut signature", kMessage, kDer.substr(0, kDer.size() - 1), kPoint},
        {"a compressed point", kMessage, kDer, "\x02" + kPoint.substr(1, 32)},
    };
    for (const auto& c : refused) EXPECT_FALSE(VerifyEcdsaP256Sha256(c.Message, c.Der, c.Point)) << c.Name;
}

}  // namespace
}  // namespace velmora::win
