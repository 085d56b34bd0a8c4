#include "service/win/PipeSecurity.h"

#include <gtest/gtest.h>

#include <string>

#include "common/win/UniqueHandle.h"
#include "tests/service/win/DaclInspection.h"

namespace velmora::win {
namespace {

using velmora::testing::kSidAdministrators;
using velmora::testing::kSidAuthenticatedUsers;
using velmora::testing::kSidEveryone;
using velmora::testing::kSidSystem;

constexpr ACCESS_MASK kTakeOverRights = WRITE_DAC | WRITE_OWNER | DELETE | GENERIC_ALL;

TEST(PipeSecurity, AttributesAreNotInheritableAndSizedForThisPlatform) {
    PipeSecurity security;
    ASSERT_TRUE(security.Valid()) << ::GetLastError();
    SECURITY_ATTRIBUTES* attributes = security.Attributes();
    ASSERT_NE(attributes, nullptr);
    EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_EQ(attributes->bInheritHandle, FALSE);
    EXPECT_NE(attributes->lpSecurityDescriptor, nullptr);
}

TEST(PipeSecurity, PipeCreatedWithItHasAnExplicitDaclThatUsersCannotRewrite) {
    PipeSecurity security;
    ASSERT_TRUE(security.Valid());
    const std::string name = "\\\\.\\pipe\\velmora_security_test_" + std::to_string(::GetCurrentProcessId());
    FileHandle pipe(::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | WRITE_OWNER | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                       PIPE_TYPE_BYTE, 1, 64, 64, 0, security.Attributes()));
    ASSERT_TRUE(pipe) << ::GetLastError();

    const auto dacl = velmora::testing::ReadDacl(pipe.get());
    ASSERT_TRUE(dacl.Read);
    EXPECT_FALSE(dacl.NullDacl);
    EXPECT_TRUE(dacl.OnlyAllowAces);
    EXPECT_NE(dacl.MaskFor(kSidSystem), 0u);
    EXPECT_NE(dacl.MaskFor(kSidAdministrators), 0u);
    EXPECT_EQ(dacl.MaskFor(kSidAuthenticatedUsers), static_cast<ACCESS_MASK>(FILE_GENERIC_READ | FILE_GENERIC_WRITE));
    EXPECT_EQ(dacl.MaskFor(kSidAuthenticatedUsers) & kTakeOverRights, 0u);
    EXPECT_EQ(dacl.MaskFor(kSidEveryone), 0u);
    EXPECT_EQ(dacl.Allowed.size(), 3u);
}

}  // namespace
}  // namespace velmora::win
