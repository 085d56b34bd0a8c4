#include "drives/OsVersion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

using fakes::FakeClass;

struct OsVersionTest : ::testing::Test {
    void SetVersion(WmiVariant version) {
        FakeClass answer;
        answer.Columns = {u"Caption", u"Version"};
        answer.Rows = {{WmiVariant::Text(u"Microsoft Windows"), std::move(version)}};
        wmi.Set(u"root\\cimv2", u"Win32_OperatingSystem", answer);
    }
    void TearDown() override { OSVersionPrefix.clear(); }

    fakes::RecordingEventSink events;
    fakes::FakeWmiSource wmi;
};

TEST_F(OsVersionTest, AcceptsOnlyTheFiveKnownPrefixes) {
    struct Case {
        const char16_t* version;
        const char* prefix;
        OsVersionOutcome outcome;
    };
    const Case cases[] = {
        {u"6.1.7601", "6.1", OsVersionOutcome::Accepted},
        {u"10.0.19045", "10.", OsVersionOutcome::Accepted},
        {u"6.2.9200", "6.2", OsVersionOutcome::Accepted},
        {u"6.3.9600", "6.3", OsVersionOutcome::Accepted},
        {u"5.1.2600", "5.1", OsVersionOutcome::Accepted},
        {u"6.0.6002", "6.0", OsVersionOutcome::Unsupported},
        {u"5.2.3790", "5.2", OsVersionOutcome::Unsupported},
        {u"6.", "6.", OsVersionOutcome::Unsupported},
        {u"", "", OsVersionOutcome::Unsupported},
    };
    for (const auto& c : cases) {
        SetVersion(WmiVariant::Text(c.version));
        const OsVersionCheck check = CheckOperatingSystem(wmi);
        EXPECT_EQ(check.Outcome, c.outcome) << c.prefix;
        EXPECT_EQ(check.Prefix, c.prefix);
        EXPECT_EQ(OSVersionPrefix, c.prefix);
    }
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(OsVersionTest, AFailedQueryIsReportedWithTheLayersCode) {
    FakeClass failing;
    failing.Result = -2;
    wmi.Set(u"root\\cimv2", u"Win32_OperatingSystem", failing);
    EXPECT_EQ(CheckOperatingSystem(wmi).Outcome, OsVersionOutcome::QueryFailed);
    EXPECT_EQ(events.Entries, (std::vector<std::string>{"FILE Umain LINE 57 CODE -2"}));
    EXPECT_EQ(events.Notifications, 1);
}

TEST_F(OsVersionTest, AnUnreadableVersionIsReportedAtItsOwnLine) {
    FakeClass noVersion;
    noVersion.Columns = {u"Caption"};
    noVersion.Rows = {{WmiVariant::Text(u"Microsoft Windows")}};
    wmi.Set(u"root\\cimv2", u"Win32_OperatingSystem", noVersion);
    EXPECT_EQ(CheckOperatingSystem(wmi).Outcome, OsVersionOutcome::VersionUnreadable);

    SetVersion(WmiVariant::Array(vt::Bstr, 0, {WmiVariant::Text(u"6.1")}));
    EXPECT_EQ(CheckOperatingSystem(wmi).Outcome, OsVersionOutcome::VersionUnreadable);

    EXPECT_EQ(events.Entries,
              (std::vector<std::string>{"FILE Umain LINE 63 CODE -1", "FILE Umain LINE 63 CODE -1"}));
    EXPECT_TRUE(OSVersionPrefix.empty());
}

TEST(IsSupportedOsPrefix, ComparesExactly) {
    EXPECT_TRUE(IsSupportedOsPrefix("10."));
    EXPECT_FALSE(IsSupportedOsPrefix("10"));
    EXPECT_FALSE(IsSupportedOsPrefix("10.0"));
    EXPECT_FALSE(IsSupportedOsPrefix(" 6.1"));
}

}  // namespace
}  // namespace velmora
