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

TEST(PipeReply, RoundTripsAndSealingSumsToZero) {
    PipeReply reply;
    reply.StatusValid = 1;
    reply.Active = 1;
    reply.PredictFailure = 0;
    reply.DataValid = 1;
    reply.DataLength = 512;
    reply.Data[0] = 0x10;
    reply.Data[4095] = 0xFF;
    const ReplyBytes bytes = SealReply(reply);
    EXPECT_TRUE(ReplyChecksumOk(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes[reply_offset::DataLength], 0x00);
    EXPECT_EQ(bytes[reply_offset::DataLength + 1], 0x02);
    EXPECT_EQ(bytes[reply_offset::Data], 0x10);
    EXPECT_EQ(bytes[4115], 0xFF);
    const PipeReply back = PipeReply::Decode(bytes);
    EXPECT_EQ(back.DataLength, 512);
    EXPECT_EQ(back.StatusValid, 1);
    EXPECT_EQ(back.Data, reply.Data);
    EXPECT_EQ(back.Checksum, bytes[4116]);
}

TEST(PipeReply, OffsetsAndSizesMatchTheWire) {
    EXPECT_EQ(PIPE_REQUEST_SIZE, 520u);
    EXPECT_EQ(PIPE_REPLY_SIZE, 4117u);
    EXPECT_EQ(PIPE_DATA_SIZE, 4096u);
    EXPECT_EQ(reply_offset::Active, 4u);
    EXPECT_EQ(reply_offset::PredictFailure, 8u);
    EXPECT_EQ(reply_offset::DataValid, 12u);
    EXPECT_EQ(reply_offset::DataLength, 16u);
    EXPECT_EQ(reply_offset::Data, 20u);
    EXPECT_EQ(reply_offset::Checksum, 4116u);
    EXPECT_EQ(request_offset::InterfaceType, 4u);
    EXPECT_EQ(request_offset::InstanceName, 8u);
}

}  // namespace
}  // namespace velmora
