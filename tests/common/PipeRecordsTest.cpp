#include "common/PipeRecords.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

TEST(Checksum, OfAbcIsDaAndSealsTheBytes) {
    const std::uint8_t abc[] = {0x61, 0x62, 0x63};
    EXPECT_EQ(ComputeChecksum(abc, 3), 0xDA);
    const std::uint8_t sealed[] = {0x61, 0x62, 0x63, 0xDA};
    EXPECT_TRUE(ReplyChecksumOk(sealed, 4));
}

TEST(Checksum, AllZeroReplyPassesAndOneFlippedByteFails) {
    ReplyBytes bytes{};
    EXPECT_TRUE(ReplyChecksumOk(bytes.data(), bytes.size()));
    for (std::size_t position : {std::size_t{0}, std::size_t{2000}, PIPE_REPLY_SIZE - 1}) {
        ReplyBytes flipped{};
        flipped[position] ^= 0x01;
        EXPECT_FALSE(ReplyChecksumOk(flipped.data(), flipped.size())) << position;
    }
}

TEST(PipeRequest, EncodesFieldsAtTheirOffsetsLittleEndian) {
    PipeRequest request{0x01020304, kInterfaceNvme, "SCSI\\DISK"};
    const RequestBytes bytes = request.Encode();
    EXPECT_EQ(bytes.size(), 520u);
    EXPECT_EQ(bytes[0], 0x04);
    EXPECT_EQ(bytes[3], 0x01);
    EXPECT_EQ(bytes[4], 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[8])), "SCSI\\DISK");
    for (std::size_t i = 8 + 9; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST(PipeRequest, LongTextIsCutTo511CharactersOnBothSides) {
    PipeRequest request{0, kInterfaceSata, std::string(600, 'X')};
    RequestBytes bytes = request.Encode();
    EXPECT_EQ(bytes[518], 'X');
    EXPECT_EQ(bytes[519], 0);
    bytes.fill('Y');  // a text that fills all 512 bytes without a NUL
    EXPECT_EQ(PipeRequest::Decode(bytes).InstanceName, std::string(511, 'Y'));
}

TEST(PipeReply, EncodesFieldsAtTheirWireOffsetsRoundTripsAndSealingSumsToZero) {
    PipeReply reply;
    reply.StatusValid = 1;
    reply.Active = 2;
    reply.PredictFailure = 3;
    reply.DataValid = 4;
    reply.DataLength = 512;
    reply.Data[0] = 0x10;
    reply.Data[4095] = 0xFF;
    const ReplyBytes bytes = SealReply(reply);
    ASSERT_EQ(bytes.size(), 4117u);
    EXPECT_TRUE(ReplyChecksumOk(bytes.data(), bytes.size()));
    const struct {
        std::size_t Offset;
        std::uint8_t Byte;
    } wire[] = {{0, 1}, {4, 2}, {8, 3}, {12, 4}, {16, 0x00}, {17, 0x02}, {20, 0x10}, {4115, 0xFF}};
    for (const auto& w : wire) EXPECT_EQ(bytes[w.Offset], w.Byte) << w.Offset;

    const PipeReply back = PipeReply::Decode(bytes);
    EXPECT_EQ(back.StatusValid, 1);
    EXPECT_EQ(back.Active, 2);
    EXPECT_EQ(back.PredictFailure, 3);
    EXPECT_EQ(back.DataValid, 4);
    EXPECT_EQ(back.DataLength, 512);
    EXPECT_EQ(back.Data, reply.Data);
    EXPECT_EQ(back.Checksum, bytes[4116]);
}

}  // namespace
}  // namespace velmora
