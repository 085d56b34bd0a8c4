// The status of one drive of each firmware family, through the whole chain
// (drive set → enumeration → reply building → decoding → JSON), compared with
// values worked out by hand from the decoding rules.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "cli/CommandLine.h"
#include "cli/StatusCommand.h"
#include "common/DriveSet.h"
#include "common/SimulatedDeviceIo.h"
#include "common/SimulatedWmiSource.h"
#include "service/PipeReplyBuilder.h"
#include "tests/cli/SimulatedMachine.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora::cli {
namespace {

std::string ReadFile(const std::string& name) {
    std::ifstream file(std::string(VELMORA_TEST_DATA) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Compares JSON texts without regard to layout: every run of blanks and line
// breaks outside strings goes.
std::string Compact(const std::string& json) {
    std::string out;
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"' && (i == 0 || json[i - 1] != '\\')) inString = !inString;
        if (!inString && (c == ' ' || c == '\n' || c == '\r')) continue;
        out.push_back(c);
    }
    return out;
}

TEST(FamiliesStatus, EveryFamilyDecodesToTheHandComputedValues) {
    fakes::RecordingEventSink events;
    const DriveSetParseResult parsed = ParseDriveSet(ReadFile("families.ini"));
    ASSERT_TRUE(parsed.Ok()) << "line " << parsed.Line;
    SimulatedMachine machine(parsed.Set);
    const ConsoleOutput output = RunStatus(machine.wmi, machine.devices, machine.pipes, true);
    EXPECT_EQ(Compact(output.Out), Compact(ReadFile("families-status.json")));
    EXPECT_EQ(output.ExitStatus, exit_status::SomeBad);
    EXPECT_TRUE(events.Entries.empty());
}

}  // namespace
}  // namespace velmora::cli
