// The system's cryptography against vectors openssl made for this run
// (with-openssl-vectors.sh names their folder in VELMORA_CRYPTO_VECTORS):
// a fresh key's point, a message and its DER signature, a file of a few MiB
// and its SHA-256; and the standard's own "abc".

#include "update/win/CngCrypto.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace velmora::win {
namespace {

std::string FromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

class OpensslVectors : public ::testing::Test {
protected:
    void SetUp() override {
        const char* folder = std::getenv("VELMORA_CRYPTO_VECTORS");
        ASSERT_NE(folder, nullptr) << "run through with-openssl-vectors.sh";
        folder_ = folder;
    }
    [[nodiscard]] std::string Path(const char* name) const { return folder_ + "\\" + name; }
    [[nodiscard]] std::string Read(const char* name) const {
        std::ifstream file(Path(name), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        EXPECT_TRUE(file.good() || file.eof()) << name;
        return bytes.str();
    }

private:
    std::string folder_;
};

TEST(CngCrypto, Sha256GivesTheStandardsVector) {
    // FIPS 180-2's "abc".
    const auto digest = Sha256("abc");
    ASSERT_TRUE(digest);
    EXPECT_EQ(std::string(digest->begin(), digest->end()),
              FromHex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

TEST_F(OpensslVectors, FileSha256OfAFileOfSeveralMiBIsOpensslsDigest) {
    const std::string expected = Read("large.sha256");
    ASSERT_EQ(expected.size(), 32u);
    const auto digest = FileSha256(Path("large.bin"));
    ASSERT_TRUE(digest);
    EXPECT_EQ(std::string(digest->begin(), digest->end()), expected);
    EXPECT_FALSE(FileSha256(Path("missing.bin")));
}

TEST_F(OpensslVectors, AcceptsOpensslsSignatureAndNothingChanged) {
    const std::string message = Read("message.bin");
    const std::string der = Read("signature.der");
    const std::string point = Read("point.bin");
    ASSERT_EQ(point.size(), 65u);
    EXPECT_TRUE(VerifyEcdsaP256Sha256(message, der, point));

    std::string changedMessage = message;
    changedMessage[3] ^= 1;
    std::string changedDer = der;
    changedDer[10] ^= 1;
    std::string otherPoint = point;
    otherPoint[5] ^= 1;
    const struct {
        const char* Name;
        std::string Message, Der, Point;
    } refused[] = {
        {"a changed byte of the reply", changedMessage, der, point},
        {"a changed byte of the signature", message, changedDer, point},
        {"another key", message, der, otherPoint},
        {"no signature", message, "", point},
        {"a cut signature", message, der.substr(0, der.size() - 1), point},
        {"a compressed point", message, der, "\x02" + point.substr(1, 32)},
    };
    for (const auto& c : refused) EXPECT_FALSE(VerifyEcdsaP256Sha256(c.Message, c.Der, c.Point)) << c.Name;
}

}  // namespace
}  // namespace velmora::win
