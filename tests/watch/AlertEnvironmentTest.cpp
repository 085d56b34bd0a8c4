#include "watch/AlertEnvironment.h"
#include "watch/WatchMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora::watch {
namespace {

using namespace std::string_literals;

WatchEvent DriveBadEvent() {
    WatchEvent event;
    event.Id = EventId::DriveBad;
    event.Type = EventType::Error;
    event.Message = "The drive VELMORA R730 SSD (VM0A1B2C3D) became BAD.";
    event.Drive = history::DriveIdentity{"VM0A1B2C3D", "VELMORA R730 SSD", "R1", "SATA", 512};
    event.DriveStatus = "BAD";
    event.LifeMeter = 7;
    return event;
}

std::vector<std::string> Pairs(const std::vector<EnvironmentVariable>& variables) {
    std::vector<std::string> pairs;
    for (const EnvironmentVariable& v : variables) pairs.push_back(v.Name + "=" + v.Value);
    return pairs;
}

TEST(AlertVariables, CarryTheEventAndItsDriveInAFixedOrder) {
    EXPECT_EQ(Pairs(AlertVariables(DriveBadEvent())),
              (std::vector<std::string>{
                  "VELMORA_EVENT_ID=1001",
                  "VELMORA_EVENT_TEXT=The drive VELMORA R730 SSD (VM0A1B2C3D) became BAD.",
                  "VELMORA_DRIVE_MODEL=VELMORA R730 SSD",
                  "VELMORA_DRIVE_SERIAL=VM0A1B2C3D",
                  "VELMORA_DRIVE_STATUS=BAD",
                  "VELMORA_LIFE_METER=7",
              }));
}

TEST(AlertVariables, AreEmptyForWhatTheEventDoesNotKnowAndHoldNoNul) {
    WatchEvent event;
    event.Id = EventId::DriveMissing;
    event.Message = "a\0b"s;
    EXPECT_EQ(Pairs(AlertVariables(event)),
              (std::vector<std::string>{"VELMORA_EVENT_ID=1006", "VELMORA_EVENT_TEXT=ab", "VELMORA_DRIVE_MODEL=",
                                        "VELMORA_DRIVE_SERIAL=", "VELMORA_DRIVE_STATUS=", "VELMORA_LIFE_METER="}));
}

TEST(EnvironmentBlock, AddsTheVariablesToTheInheritedOnesInNameOrderAndReplacesNamesakes) {
    const std::string inherited =
        "=C:=C:\\Windows\0Path=C:\\Windows\0velmora_drive_status=stale\0windir=C:\\Windows\0\0"s;
    const std::vector<EnvironmentVariable> variables = {{"VELMORA_DRIVE_STATUS", "BAD"}, {"VELMORA_EVENT_ID", "1001"}};
    EXPECT_EQ(EnvironmentBlock(inherited, variables),
              "=C:=C:\\Windows\0Path=C:\\Windows\0VELMORA_DRIVE_STATUS=BAD\0VELMORA_EVENT_ID=1001\0"
              "windir=C:\\Windows\0\0"s);
}

TEST(EnvironmentBlock, AnEmptyInheritedBlockOrAnEmptyValueStillMakesAWholeBlock) {
    EXPECT_EQ(EnvironmentBlock("", {}), "\0\0"s);
    EXPECT_EQ(EnvironmentBlock("\0"s, {{"VELMORA_LIFE_METER", ""}}), "VELMORA_LIFE_METER=\0\0"s);
}

TEST(AlertFailedEvent, IsAWarningNamingTheCommandAndWhatHappened) {
    struct Case {
        std::string What;
        std::string Expected;
    };
    const Case cases[] = {
        {AlertNotStartedText("The system cannot find the file specified"),
         "could not start: The system cannot find the file specified"},
        {AlertExitCodeText(3), "ended with exit code 3"},
        {AlertTimedOutText(60000), "did not end within 60 s and was ended with every process it started"},
        {AlertTimedOutText(1500), "did not end within 1500 ms and was ended with every process it started"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.What, c.Expected);
        const WatchEvent event = AlertFailedEvent("notify.cmd /all", c.What);
        EXPECT_EQ(event.Id, EventId::AlertFailed);
        EXPECT_EQ(event.Type, EventType::Warning);
        EXPECT_EQ(event.Strings, (std::vector<std::string>{"notify.cmd /all", c.Expected}));
        EXPECT_EQ(event.Message, "The alert command \"notify.cmd /all\" " + c.Expected + ".");
        EXPECT_FALSE(event.Drive.has_value());
    }
}

}  // namespace
}  // namespace velmora::watch
