// A whole ATA SMART block as a drive returns it, decoded and listed: the
// attribute table, then the offline and capability fields that the
// 42-entry walk reads as one more entry.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "drives/AtaSmartDecode.h"
#include "drives/DriveHealth.h"
#include "drives/RawReport.h"
#include "drives/StorageDescriptorDecode.h"
#include "tests/drives/PipeReplies.h"
#include "tests/fakes/DescriptorBytes.h"
#include "tests/fakes/FakeDevicesByPath.h"
#include "tests/fakes/FakeSmartService.h"
#include "tests/fakes/FakeWmiSource.h"

namespace velmora {
namespace {

// Hex bytes separated by blanks; lines starting with '#' are comments.
std::vector<std::uint8_t> LoadHexDump(const std::string& name) {
    std::ifstream file(std::string(VELMORA_TEST_DATA) + "/" + name);
    std::vector<std::uint8_t> bytes;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string word;
        while (words >> word) bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

PipeReply Q5Reply() {
    const std::vector<std::uint8_t> block = LoadHexDump("ata_smart_q5.hex");
    EXPECT_EQ(block.size(), 512u);
    PipeReply reply = test_support::AtaReply();
    std::copy(block.begin(), block.end(), reply.Data.begin());
    return reply;
}

TEST(Q5Dump, DecodesToTheDrivesValues) {
    DriveInfo drive = test_support::Cleared(test_support::Drive("Q5RT2B1", kInterfaceSata));
    ASSERT_EQ(DecodeAtaSmart(drive, Q5Reply()), 0);
    EXPECT_EQ(drive.PowerOnHours, 1234);
    EXPECT_EQ(drive.PowerCycles, 56);
    EXPECT_EQ(drive.AvgEraseCount, 300);
    EXPECT_EQ(drive.MaxEraseCount, 900);
    EXPECT_EQ(drive.Temperature, 41);
    EXPECT_EQ(drive.GBWritten, 7890);
    EXPECT_EQ(drive.LifePercent, -1);
    EXPECT_EQ(LifeMeterValue(drive), 90);
    EXPECT_EQ(DriveStatus(drive), HealthStatus::OK);
}

TEST(Q5Dump, IsListedWithTheEntryBeyondTheStandardTable) {
    fakes::FakeWmiSource wmi;
    wmi.Set(u"root\\cimv2", u"Win32_DiskDrive",
            {{u"Index", u"DeviceID", u"PNPDeviceID", u"Model", u"SerialNumber", u"FirmwareRevision", u"Size"},
             {{WmiVariant::Int32(0), WmiVariant::Text(u"\\\\.\\PHYSICALDRIVE0"), WmiVariant::Text(u"SCSI\\DISK\\0"),
               WmiVariant::Text(u"VELMORA R730 SSD"), WmiVariant::Text(u"SN01"), WmiVariant::Text(u"Q5RT2B1"),
               WmiVariant::Text(u"256060514304")}},
             0});
    fakes::FakeDevicesByPath devices;
    devices.Descriptors["\\\\.\\PHYSICALDRIVE0"] = fakes::BuildDescriptor({{}, {}, {}, bus_type::Sata});
    fakes::FakeSmartService service;
    service.SetReply(0, SealReply(Q5Reply()));

    const std::vector<std::string> lines = CollectRawReport(wmi, devices, service, "10.").Lines;
    const std::vector<std::string> table(lines.begin() + 5, lines.end());
    EXPECT_EQ(table, (std::vector<std::string>{
                         "SMART attributes:",
                         "Number\tFlag\tValue\tWorst\tRAW",
                         "01\t000b\t64\t64\t0000000000000000",
                         "05\t0013\t64\t64\t0000000000000000",
                         "09\t0032\t64\t64\t00000000000004d2",
                         "0c\t0032\t64\t64\t0000000000000038",
                         "ab\t0032\t64\t64\t0000000000000000",
                         "ac\t0032\t64\t64\t0000000000000000",
                         "ad\t0032\t64\t64\t000000000384012c",
                         "ae\t0032\t64\t64\t000000000000000c",
                         "c2\t0022\t3b\t29\t0000002d00140029",
                         "f1\t0032\t64\t64\t0000000000786450",
                         "82\t5800\t02\t00\t001e02000100037b",
                         "",
                         "",
                     }));
}

}  // namespace
}  // namespace velmora
