#include "service/win/PipeSecurity.h"

#include <gtest/gtest.h>

namespace velmora::win {
namespace {

// The DACL itself is read back from the running service by the pipe
// security audit (tests/abuse/pipe), as another program finds it.

TEST(PipeSecurity, AttributesAreNotInheritableAndSizedForThisPlatform) {
    PipeSecurity security;
    ASSERT_TRUE(security.Valid()) << ::GetLastError();
    SECURITY_ATTRIBUTES* attributes = security.Attributes();
    ASSERT_NE(attributes, nullptr);
    EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_EQ(attributes->bInheritHandle, FALSE);
    EXPECT_NE(attributes->lpSecurityDescriptor, nullptr);
}

}  // namespace
}  // namespace velmora::win
