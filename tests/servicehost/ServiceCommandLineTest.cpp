#include "servicehost/ServiceCommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

ServiceCommandLine Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "SMART_VELMORA_SV.exe");
    return ParseServiceCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(ServiceCommandLine, SwitchesAreIntroducedBySlashOrDashInAnyLetterCase) {
    struct Case {
        std::vector<const char*> Arguments;
        bool Install, Uninstall, Silent;
    };
    const Case cases[] = {
        {{}, false, false, false},
        {{"/INSTALL"}, true, false, false},
        {{"-install"}, true, false, false},
        {{"/Install", "-SiLeNt"}, true, false, true},
        {{"/uninstall", "/silent"}, false, true, true},
        {{"-UNINSTALL"}, false, true, false},
        {{"/SILENT"}, false, false, true},
    };
    for (const Case& c : cases) {
        const ServiceCommandLine line = Parse(c.Arguments);
        EXPECT_EQ(line.Install, c.Install) << c.Arguments.size();
        EXPECT_EQ(line.Uninstall, c.Uninstall) << c.Arguments.size();
        EXPECT_EQ(line.Silent, c.Silent) << c.Arguments.size();
    }
}

TEST(ServiceCommandLine, OnlyWholeArgumentsWithASwitchCharacterCount) {
    const ServiceCommandLine line = Parse({"INSTALL", "/INSTALLX", "/INST", "+UNINSTALL", "//SILENT", "/", ""});
    EXPECT_FALSE(line.Install);
    EXPECT_FALSE(line.Uninstall);
    EXPECT_FALSE(line.Silent);
}

TEST(ServiceCommandLine, TheProgramNameIsNeverTakenForASwitch) {
    const char* arguments[] = {"/INSTALL"};
    const ServiceCommandLine line = ParseServiceCommandLine(1, arguments);
    EXPECT_FALSE(line.Install);
}

}  // namespace
}  // namespace velmora
