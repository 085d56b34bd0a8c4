// The raw report of the family set, byte for byte as the window saves it and
// the console writes it; the Windows end-to-end test compares the real
// programs' output with the same file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "drives/OsVersion.h"
#include "drives/RawReport.h"
#include "tests/cli/SimulatedMachine.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora::cli {
namespace {

std::string DataFile(const std::string& name) { return std::string(VELMORA_TEST_DATA) + "/" + name; }

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(RawReportGolden, FamilySetReportMatchesTheStoredBytes) {
    fakes::RecordingEventSink events;
    const DriveSetParseResult parsed = ParseDriveSet(ReadFile(DataFile("families.ini")));
    ASSERT_TRUE(parsed.Ok());
    SimulatedMachine machine(parsed.Set);
    const RawReport report = CollectRawReport(machine.wmi, machine.devices, machine.pipes, "10.");
    ASSERT_EQ(report.Result, 0);
    const std::string bytes = RawReportFileBytes(report.Lines);
    // VELMORA_WRITE_GOLDEN=1 rewrites the file after a deliberate change of the format.
    if (std::getenv("VELMORA_WRITE_GOLDEN")) std::ofstream(DataFile("families-raw.txt"), std::ios::binary) << bytes;
    EXPECT_EQ(bytes, ReadFile(DataFile("families-raw.txt")));
    EXPECT_TRUE(events.Entries.empty());
}

}  // namespace
}  // namespace velmora::cli
