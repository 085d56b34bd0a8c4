#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "update/DriveListEncoding.h"

namespace velmora::update {
namespace {

struct DriveListCase {
    std::string Encoded;
    std::vector<std::pair<std::string, std::string>> Drives;  // (revision, model)
};

// The cases the reference server's own test decodes as well.
std::vector<DriveListCase> ReadCases() {
    std::ifstream file(std::string(VELMORA_TEST_DATA) + "/update/encoded-drive-lists.txt");
    std::vector<DriveListCase> cases;
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("#", 0) == 0) continue;
        if (line.rfind("encoded=", 0) == 0) {
            cases.push_back({line.substr(8), {}});
        } else if (!line.empty() && !cases.empty()) {
            const std::size_t semicolon = line.find(';');
            cases.back().Drives.emplace_back(line.substr(0, semicolon), line.substr(semicolon + 1));
        }
    }
    return cases;
}

TEST(EncodedDriveLists, TheClientEncodesTheSharedCasesAsTheServerDecodesThem) {
    const std::vector<DriveListCase> cases = ReadCases();
    ASSERT_GE(cases.size(), 4u);
    for (const auto& c : cases) {
        DriveTable drives;
        drives.SetDisksCount(static_cast<int>(c.Drives.size()));
        for (std::size_t i = 0; i < c.Drives.size(); ++i) {
            drives[static_cast<int>(i)].FirmwareRevision = c.Drives[i].first;
            drives[static_cast<int>(i)].Model = c.Drives[i].second;
        }
        EXPECT_EQ(EncodeDriveList(drives), c.Encoded);
    }
}

}  // namespace
}  // namespace velmora::update
