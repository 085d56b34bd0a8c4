#include <gtest/gtest.h>

#include <string>

#include "update/Base64.h"
#include "update/DriveListEncoding.h"
#include "update/UpdateHost.h"

namespace velmora::update {
namespace {

struct EncodingCase {
    std::string Text;
    std::string Encoded;
};

TEST(DriveListEncoding, EncodesTextsAsTheExchangeExamplesShow) {
    const EncodingCase cases[] = {
        {"", ""},
        {"abc", "YWJj"},
        {"ab", "YWI-"},
        {"a", "YQ--"},
        {"?>?", "Pz4_"},
        {"~~~", "fn5."},
        {"FW1;DISK A\n", "RlcxO0RJU0sgQQo-"},
        {std::string("\xff\xfe\x00", 3), "__4A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeDriveListText(c.Text), c.Encoded) << "text of " << c.Text.size() << " bytes";
    }
}

TEST(DriveListEncoding, Base64KeepsTheStandardAlphabetAndPadding) {
    EXPECT_EQ(EncodeBase64("?>?"), "Pz4/");
    EXPECT_EQ(EncodeBase64("~~~"), "fn5+");
    EXPECT_EQ(EncodeBase64("a"), "YQ==");
    EXPECT_EQ(EncodeBase64("foobar"), "Zm9vYmFy");  // RFC 4648 test vector
}

TEST(DriveListEncoding, OneDriveGivesItsRevisionModelLine) {
    DriveTable drives;
    drives.SetDisksCount(1);
    drives[0].FirmwareRevision = "FW1";
    drives[0].Model = "DISK A";
    EXPECT_EQ(DriveListText(drives), "FW1;DISK A\n");
    EXPECT_EQ(EncodeDriveList(drives), "RlcxO0RJU0sgQQo-");
}

TEST(DriveListEncoding, DrivesFollowTableOrderAndTextsGoUnescaped) {
    DriveTable drives;
    drives.SetDisksCount(2);
    drives[0].FirmwareRevision = "Q5RT2B1";
    drives[0].Model = "A;B";
    drives[1].FirmwareRevision = "N2";
    drives[1].Model = "C\nD";
    EXPECT_EQ(DriveListText(drives), "Q5RT2B1;A;B\nN2;C\nD\n");
}

TEST(DriveListEncoding, NoDrivesGiveARequestEndingInDisk) {
    const DriveTable drives;
    EXPECT_EQ(UpdateRequestUrl("http://h/daveruri/", drives), "http://h/daveruri/daveruri.php?disk=");
}

TEST(DriveListEncoding, TheEncodedValueUsesOnlyUrlSafeCharacters) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    for (const char c : EncodeDriveListText(allBytes)) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                          c == '_' || c == '-';
        EXPECT_TRUE(safe) << "character " << c;
    }
}

}  // namespace
}  // namespace velmora::update
