#include "cli/UpdatesCommand.h"

#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakeReplyTrust.h"
#include "tests/fakes/FakeUpdateTransport.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"
#include "update/UpdateTexts.h"

namespace velmora::cli {
namespace {

class UpdatesCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        wmi.Set(u"root\\cimv2", u"Win32_OperatingSystem", fakes::FakeClass{{u"Version"}, {{WmiVariant::Text(u"6.1.7601")}}});
        wmi.Set(u"root\\cimv2", u"Win32_DiskDrive",
                fakes::FakeClass{{u"Index", u"DeviceID", u"PNPDeviceID", u"Model", u"SerialNumber", u"FirmwareRevision", u"Size"},
                                 {{WmiVariant::Int32(0), WmiVariant::Text(u"\\\\.\\PHYSICALDRIVE0"), WmiVariant::Text(u"X"),
                                   WmiVariant::Text(u"VELMORA R730 SSD"), WmiVariant::Text(u"AB"),
                                   WmiVariant::Text(u"Q5RT2B1"), WmiVariant::Text(u"256060514304")}}});
        devices.OpenError = 2;
        hosts.Setting = {update::UpdateHostSetting::State::Text, "127.0.0.1:8080"};
    }

    fakes::RecordingEventSink events;
    fakes::FakeWmiSource wmi;
    fakes::FakeDeviceIo devices;
    fakes::FakeUpdateTransport transport;
    fakes::FakeUpdateHostSource hosts;
    fakes::FakeUpdateTrustSource trust;
    fakes::FakeUpdateCrypto crypto;
    OfferSources sources{transport, hosts, trust, crypto};
    update::ProxySettings proxy;
};

TEST_F(UpdatesCommandTest, AsksTheConfiguredHostForTheFoundDrivesAndListsTheOffers) {
    const std::string digest = "\r\nsha256=" + std::string(64, 'e') + "\r\n";
    transport.Reply = fakes::SignReply(
        "[file version]\r\nversion=1.0\r\n\r\n"
        "[app version]\r\nversion=1.02\r\nurl=http://127.0.0.1:8080/files/setup.exe" + digest +
        "\r\n[fw upgrade1]\r\napplicable=Q5RT2B1\r\ncurrent=Q5RT2B2\r\nurl=http://127.0.0.1:8080/files/q5.zip" +
        digest);
    const ConsoleOutput output = RunUpdates(wmi, devices, sources, proxy, true);
    EXPECT_EQ(output.ExitStatus, exit_status::AllOk) << output.Err;
    ASSERT_EQ(transport.FetchedUrls.size(), 1u);
    // "Q5RT2B1;VELMORA R730 SSD\n" in the encoded form the service expects.
    EXPECT_EQ(transport.FetchedUrls[0].rfind("http://127.0.0.1:8080/daveruri/daveruri.php?disk=", 0), 0u);
    EXPECT_NE(output.Out.find("\"kind\": \"application\""), std::string::npos) << output.Out;
    EXPECT_NE(output.Out.find("\"kind\": \"firmware\""), std::string::npos) << output.Out;
    EXPECT_TRUE(transport.Downloads.empty());
}

TEST_F(UpdatesCommandTest, AFailedCheckGivesTheUsersMessageAndFour) {
    transport.Reply = "[file version]\r\nversion=1.0\r\n\r\n[app version]\r\nversion=1.02\r\nurl=http://h/a.exe\r\n";
    const ConsoleOutput output = RunUpdates(wmi, devices, sources, proxy, false);
    EXPECT_EQ(output.ExitStatus, exit_status::Failure);
    EXPECT_EQ(output.Err, std::string(update::message::NotVerified) + "\n");
    EXPECT_TRUE(output.Out.empty());
}

}  // namespace
}  // namespace velmora::cli
