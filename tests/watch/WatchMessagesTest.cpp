#include "watch/WatchMessages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "tests/history/HistoryTestSupport.h"

namespace velmora::watch {
namespace {

struct McMessage {
    std::string Severity;
    std::string Text;  // lines joined with "\n"
};

// MessageId, Severity and text of every message in the message compiler's file.
std::map<int, McMessage> ReadMessageFile() {
    std::ifstream file(std::string(VELMORA_TEST_DATA) + "/../../installer/messages.mc");
    std::map<int, McMessage> messages;
    std::string line;
    int id = -1;
    bool inText = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inText) {
            if (line == ".") {
                inText = false;
            } else {
                std::string& text = messages[id].Text;
                text += (text.empty() ? "" : "\n") + line;
            }
        } else if (line.rfind("MessageId=", 0) == 0) {
            id = std::stoi(line.substr(10));
        } else if (line.rfind("Severity=", 0) == 0) {
            messages[id].Severity = line.substr(9);
        } else if (line.rfind("Language=", 0) == 0) {
            inText = true;
        }
    }
    return messages;
}

const char* SeverityName(EventType type) {
    switch (type) {
    case EventType::Information: return "Informational";
    case EventType::Warning: return "Warning";
    case EventType::Error: break;
    }
    return "Error";
}

// The log shows the message file's text, the history the template's: both
// must say the same.
TEST(WatchMessages, MessageFileHoldsEveryTemplateWithItsSeverity) {
    const std::map<int, McMessage> file = ReadMessageFile();
    ASSERT_EQ(WatchMessageTemplates().size(), 11u);
    for (const MessageTemplate& t : WatchMessageTemplates()) {
        const int id = static_cast<int>(t.Id);
        const auto found = file.find(id);
        ASSERT_NE(found, file.end()) << id;
        EXPECT_EQ(found->second.Severity, SeverityName(t.Type)) << id;
        EXPECT_EQ(found->second.Text, t.Text) << id;
    }
    EXPECT_EQ(file.at(0).Text, "%1");
}

TEST(WatchMessages, StringsGoWhereTheTemplateNamesThem) {
    const std::vector<std::string> strings = {"a", "b"};
    EXPECT_EQ(InsertStrings("%2 then %1, 100%% sure, %3 absent", strings), "b then a, 100% sure,  absent");
}

TEST(WatchMessages, UnknownStatusSaysWhy) {
    const struct {
        bool Refreshed;
        bool OverTemperature;
        const char* Why;
    } cases[] = {
        {false, false, "it could not be refreshed through the data service"},
        {true, true, "it is over its temperature threshold"},
        {true, false, "it gave no health data"},
    };
    for (const auto& c : cases) {
        history::TimedSample timed = history::test_support::Sample(1, "S1", "UNKNOWN", 0);
        timed.Sample.Values.Refreshed = c.Refreshed;
        timed.Sample.Values.OverTemperature = c.OverTemperature;
        const WatchEvent event = DriveUnknownEvent(timed.Sample);
        EXPECT_EQ(event.Message,
                  std::string("The status of drive VELMORA R730 SSD (serial number S1, firmware Q5RT2B1) "
                              "is UNKNOWN: ") +
                      c.Why + ".");
        EXPECT_EQ(event.DriveStatus, "UNKNOWN");
        EXPECT_EQ(event.Drive->SerialNumber, "S1");
    }
}

TEST(WatchMessages, TimesAreWrittenInUtc) {
    EXPECT_EQ(UtcTimeText(0), "1970-01-01 00:00:00 UTC");
    EXPECT_EQ(UtcTimeText(1709251199), "2024-02-29 23:59:59 UTC");
}

}  // namespace
}  // namespace velmora::watch
