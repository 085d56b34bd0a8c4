// What the watch's two DACLs grant, read from the security descriptors their
// SDDL texts make, and the history folder as /INSTALL prepares it. Wine
// keeps neither DACL (SetServiceObjectSecurity is a stub, and a folder's DACL
// only becomes Unix mode bits), so they are checked as built, not as stored.

#include <gtest/gtest.h>

#include <string>

#include "common/win/ProgramDataPaths.h"
#include "tests/service/win/DaclInspection.h"
#include "watch/win/HistoryFolderSetup.h"
#include "watch/win/WatchService.h"

namespace velmora::win {
namespace {

using namespace velmora::testing;

TEST(WatchServiceSecurity, AuthenticatedUsersMayQueryAndSendControlsButNotStartOrStop) {
    const DaclReadBack dacl = DaclOfSddl(kWatchServiceSddl);
    ASSERT_TRUE(dacl.Read);
    EXPECT_TRUE(dacl.OnlyAllowAces);
    ASSERT_EQ(dacl.Allowed.size(), 3u);
    // The SCM's defaults for SYSTEM and the administrators.
    EXPECT_EQ(dacl.MaskFor(kSidSystem),
              static_cast<ACCESS_MASK>(SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_ENUMERATE_DEPENDENTS |
                                       SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_INTERROGATE |
                                       SERVICE_USER_DEFINED_CONTROL | READ_CONTROL));
    EXPECT_EQ(dacl.MaskFor(kSidAdministrators), static_cast<ACCESS_MASK>(SERVICE_ALL_ACCESS));
    EXPECT_EQ(dacl.MaskFor(kSidAuthenticatedUsers),
              static_cast<ACCESS_MASK>(SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG | SERVICE_INTERROGATE |
                                       SERVICE_USER_DEFINED_CONTROL | READ_CONTROL));
}

TEST(HistoryFolderSecurity, TheServiceAccountMayChangeTheHistoryAndUsersMayOnlyReadIt) {
    const DaclReadBack dacl = DaclOfSddl(kHistoryFolderSddl);
    ASSERT_TRUE(dacl.Read);
    EXPECT_TRUE(dacl.Protected);
    EXPECT_TRUE(dacl.OnlyAllowAces);
    ASSERT_EQ(dacl.Allowed.size(), 4u);
    for (const AllowedAce& ace : dacl.Allowed) {
        EXPECT_EQ(ace.Flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE), OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)
            << ace.Sid;
    }
    EXPECT_EQ(dacl.MaskFor(kSidSystem), static_cast<ACCESS_MASK>(FILE_ALL_ACCESS));
    EXPECT_EQ(dacl.MaskFor(kSidAdministrators), static_cast<ACCESS_MASK>(FILE_ALL_ACCESS));
    EXPECT_EQ(dacl.MaskFor(kSidLocalService),
              static_cast<ACCESS_MASK>(FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE));
    EXPECT_EQ(dacl.MaskFor(kSidUsers), static_cast<ACCESS_MASK>(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE));
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(PrepareHistoryFolder, MakesTheFoldersWhenMissingAndKeepsWhatAnExistingOneHolds) {
    const std::string product = ProductDataFolder();
    const std::string history = HistoryFolder();
    ASSERT_FALSE(history.empty());
    const std::string kept = history + "\\kept.txt";
    ::DeleteFileA(kept.c_str());
    ::RemoveDirectoryA(history.c_str());
    ::RemoveDirectoryA(product.c_str());
    ASSERT_FALSE(IsFolder(product));

    ASSERT_EQ(PrepareHistoryFolder(), 0u);
    EXPECT_TRUE(IsFolder(history));
    FileHandle file(::CreateFileA(kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    file.reset();

    EXPECT_EQ(PrepareHistoryFolder(), 0u);
    EXPECT_NE(::GetFileAttributesA(kept.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(::DeleteFileA(kept.c_str()));
}

TEST(PrepareHistoryFolder, AFileInTheFoldersPlaceIsAnError) {
    const std::string history = HistoryFolder();
    ASSERT_EQ(PrepareHistoryFolder(), 0u);
    ASSERT_TRUE(::RemoveDirectoryA(history.c_str()));
    FileHandle file(::CreateFileA(history.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    file.reset();
    EXPECT_EQ(PrepareHistoryFolder(), static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_TRUE(::DeleteFileA(history.c_str()));
}

}  // namespace
}  // namespace velmora::win
