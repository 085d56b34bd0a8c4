#include <windows.h>

#include <commdlg.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win/InfoWindows.h"
#include "app/win/RawSmartWindow.h"
#include "app/win/SaveFileDialog.h"

namespace velmora::win {
namespace {

TEST(EditControlText, EndsEveryLineWithCarriageReturnAndLineFeed) {
    EXPECT_EQ(EditControlText("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(EditControlText("a\r\nb"), "a\r\nb");
    EXPECT_EQ(EditControlText(""), "");
    EXPECT_EQ(EditControlText("\n\n"), "\r\n\r\n");
}

TEST(EditControlText, StopsAtTheFirstNul) {
    EXPECT_EQ(EditControlText(std::string("text\0hidden", 11)), "text");
}

TEST(RawReportEditText, ShowsEveryLineIncludingEmptyOnes) {
    EXPECT_EQ(RawReportEditText({"Model: X", "", ""}), "Model: X\r\n\r\n\r\n");
    EXPECT_EQ(RawReportEditText({}), "");
}

TEST(RawReportSaveSettings, SuggestSmartTxtWithOneFilterAndAskBeforeOverwriting) {
    const SaveFileSettings settings = RawReportSaveSettings();
    EXPECT_EQ(settings.SuggestedName, "smart.txt");
    EXPECT_EQ(settings.FilterDescription, "*.txt");
    EXPECT_EQ(settings.FilterPattern, "*.txt");
    EXPECT_EQ(settings.DefaultExtension, "txt");

    const DWORD flags = SaveFileFlags(settings);
    EXPECT_TRUE(flags & OFN_OVERWRITEPROMPT);
    EXPECT_TRUE(flags & OFN_HIDEREADONLY);
    EXPECT_TRUE(flags & OFN_ENABLESIZING);
    EXPECT_TRUE(flags & OFN_EXPLORER);
}

TEST(SaveFileFlags, LeaveOutWhatTheSettingsTurnOff) {
    SaveFileSettings settings;
    settings.OverwritePrompt = false;
    settings.HideReadOnly = false;
    settings.Resizable = false;
    const DWORD flags = SaveFileFlags(settings);
    EXPECT_FALSE(flags & OFN_OVERWRITEPROMPT);
    EXPECT_FALSE(flags & OFN_HIDEREADONLY);
    EXPECT_FALSE(flags & OFN_ENABLESIZING);
}

}  // namespace
}  // namespace velmora::win
