#include "update/ReplySignature.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/fakes/ShellCommand.h"
#include "update/Base64.h"

namespace velmora::update {
namespace {

namespace fs = std::filesystem;
using velmora::testing::RunShell;

constexpr char kUnsigned[] =
    "[file version]\r\nversion=1.0\r\n\r\n[app version]\r\nversion=1.02\r\nurl=http://example.test/setup.exe\r\n"
    "sha256=9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08\r\n\r\n";

class ReplySignatureTest : public ::testing::Test {
protected:
    ReplySignatureTest() : folder(fs::temp_directory_path() / ("velmora-signature-" + std::to_string(::getpid()))) {
        fs::create_directories(folder);
    }
    ~ReplySignatureTest() override { fs::remove_all(folder); }
    std::string Path(const char* name) const { return (folder / name).string(); }
    void Write(const char* name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Read(const char* name) const {
        std::ifstream file(Path(name), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    fs::path folder;
};

// The signer is openssl, not this code: the split must hand back exactly
// the bytes openssl signed and the signature it made, which openssl then
// accepts.
TEST_F(ReplySignatureTest, GivesBackWhatOpensslSignedAndItsSignature) {
    Write("unsigned", kUnsigned);
    const auto made = RunShell("cd '" + folder.string() +
                               "' && openssl ecparam -name prime256v1 -genkey -noout -out key.pem"
                               " && openssl ec -in key.pem -pubout -out public.pem"
                               " && openssl dgst -sha256 -sign key.pem -out signature.der unsigned");
    ASSERT_EQ(made.ExitStatus, 0) << made.Output;
    const std::string der = Read("signature.der");
    std::string reply = kUnsigned;
    reply.insert(reply.find("version=1.0\r\n"), "signature=" + EncodeBase64(der) + "\r\n");

    const ReplySignature split = SplitReplySignature(reply);
    EXPECT_EQ(split.SignedBody, kUnsigned);
    ASSERT_TRUE(split.Der);
    EXPECT_EQ(*split.Der, der);
    Write("signed", split.SignedBody);
    Write("given.der", *split.Der);
    const auto verified =
        RunShell("cd '" + folder.string() + "' && openssl dgst -sha256 -verify public.pem -signature given.der signed");
    EXPECT_EQ(verified.ExitStatus, 0) << verified.Output;
}

TEST(ReplySignature, OnlyTheFirstSignatureLineOfTheFileVersionBlockIsTheSignature) {
    const struct {
        const char* Name;
        std::string Reply;
        std::string SignedBody;
        std::optional<std::string> Der;
    } cases[] = {
        {"none", "[file version]\nversion=1.0\n", "[file version]\nversion=1.0\n", std::nullopt},
        {"LF and blanks, last line without an end", "[file version]\nversion=1.0\n  signature=YWJj  ",
         "[file version]\nversion=1.0\n", "abc"},
        {"CR line ends", "[file version]\rsignature=YWJj\rversion=1.0\r", "[file version]\rversion=1.0\r", "abc"},
        {"a second line stays signed", "[file version]\r\nsignature=YWJj\r\nsignature=ZGVm\r\n",
         "[file version]\r\nsignature=ZGVm\r\n", "abc"},
        {"another section's line is not it", "[app version]\nsignature=YWJj\n\n[file version]\nversion=1.0\n",
         "[app version]\nsignature=YWJj\n\n[file version]\nversion=1.0\n", std::nullopt},
        {"after the block's end", "[file version]\nversion=1.0\n\nsignature=YWJj\n",
         "[file version]\nversion=1.0\n\nsignature=YWJj\n", std::nullopt},
        {"not base64: removed, no signature", "[file version]\nsignature=YWJ\n", "[file version]\n", std::nullopt},
        {"the text ends at NUL", std::string("[file version]\nversion=1.0\n\0signature=YWJj\n", 42),
         "[file version]\nversion=1.0\n", std::nullopt},
    };
    for (const auto& c : cases) {
        const ReplySignature split = SplitReplySignature(c.Reply);
        EXPECT_EQ(split.SignedBody, c.SignedBody) << c.Name;
        EXPECT_EQ(split.Der, c.Der) << c.Name;
    }
}

TEST(Base64, DecodesOnlyTheCanonicalSpelling) {
    for (const std::string& bytes :
         std::vector<std::string>{"", "a", "ab", "abc", "abcd", std::string("\0\xFF\x80", 3)})
        EXPECT_EQ(DecodeBase64(EncodeBase64(bytes)), bytes);
    for (const char* text : {"YQ", "YQ=", "Y===", "YR==", "YWI=YQ==", "YW=j", "YW J", "YWJ-"})
        EXPECT_EQ(DecodeBase64(text), std::nullopt) << text;
}

}  // namespace
}  // namespace velmora::update
