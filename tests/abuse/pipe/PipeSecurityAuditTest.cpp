// The audit of the pipe's security as another local program finds it on the
// running service: the descriptor read back through a client handle, and
// whether a second process can put an instance of its own under the pipe's
// name. Wine does not check access between users, so the DACL has to be
// right as written; this reads it back and judges each entry.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/abuse/pipe/AbuseClients.h"
#include "tests/abuse/pipe/InstalledService.h"
#include "tests/service/win/DaclInspection.h"

namespace velmora::testing {
namespace {

// Rights that let the holder take the pipe over or act as its owner.
constexpr ACCESS_MASK kTakeOverRights = WRITE_DAC | WRITE_OWNER | DELETE | GENERIC_ALL | GENERIC_WRITE;

bool IsAdministrative(const std::string& sid) { return sid == kSidSystem || sid == kSidAdministrators; }

// The whole descriptor in SDDL, for the record.
std::string DescriptorText(HANDLE object) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                       DACL_SECURITY_INFORMATION;
    if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, parts, nullptr, nullptr, nullptr, nullptr, &descriptor) !=
        ERROR_SUCCESS) {
        return "(not readable)";
    }
    win::LocalMemory owned(descriptor);
    char* text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, parts, &text, nullptr)) {
        return "(not convertible)";
    }
    std::string result(text);
    ::LocalFree(text);
    return result;
}

bool DaclIsProtected(HANDLE object) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    win::LocalMemory owned(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    return ::GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED) != 0;
}

class PipeSecurityAudit : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(TheService().SetupError, "") << "no service to audit"; }
};

TEST_F(PipeSecurityAudit, DaclReadBackFromTheRunningServiceGivesNoNonAdministratorAWayToTakeThePipeOver) {
    win::FileHandle pipe = ConnectToService(kOpenTimeoutMs);
    ASSERT_TRUE(pipe) << ::GetLastError();
    std::printf("pipe descriptor: %s\n", DescriptorText(pipe.get()).c_str());
    const DaclReadBack dacl = ReadDacl(pipe.get());
    ASSERT_TRUE(dacl.Read);
    ASSERT_FALSE(dacl.NullDacl) << "a null DACL gives everyone full control";
    EXPECT_TRUE(dacl.OnlyAllowAces) << "an entry this audit cannot judge";
    EXPECT_TRUE(DaclIsProtected(pipe.get())) << "inherited entries could widen the DACL";
    ASSERT_FALSE(dacl.Allowed.empty());

    for (const AllowedAce& ace : dacl.Allowed) {
        const bool administrative = IsAdministrative(ace.Sid);
        std::printf("  allow %-14s 0x%08lx%s\n", ace.Sid.c_str(), static_cast<unsigned long>(ace.Mask),
                    administrative ? " (administrative)" : "");
        if (administrative) continue;
        EXPECT_EQ(ace.Mask & kTakeOverRights, 0u) << ace.Sid << " may change the DACL, the owner or delete";
        EXPECT_NE(ace.Mask & FILE_ALL_ACCESS, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS)) << ace.Sid << " has full access";
    }
    // Exactly the three entries the service writes: SYSTEM and Administrators
    // in full, local users reading and writing as the toolbox needs, and
    // nothing for Everyone.
    EXPECT_NE(dacl.MaskFor(kSidSystem), 0u);
    EXPECT_NE(dacl.MaskFor(kSidAdministrators), 0u);
    EXPECT_EQ(dacl.MaskFor(kSidAuthenticatedUsers), static_cast<ACCESS_MASK>(FILE_GENERIC_READ | FILE_GENERIC_WRITE));
    EXPECT_EQ(dacl.MaskFor(kSidEveryone), 0u);
    EXPECT_EQ(dacl.Allowed.size(), 3u);
}

TEST_F(PipeSecurityAudit, NoSecondProcessCanCreateAnInstanceOfThePipeWhileTheServiceRuns) {
    struct Attempt {
        DWORD OpenMode;
        DWORD Instances;
        const char* What;
    };
    const std::vector<Attempt> attempts = {
        {PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE, 1, "duplex, first instance"},
        {PIPE_ACCESS_DUPLEX, 1, "duplex, one instance"},
        {PIPE_ACCESS_DUPLEX, PIPE_UNLIMITED_INSTANCES, "duplex, unlimited instances"},
        {PIPE_ACCESS_INBOUND, PIPE_UNLIMITED_INSTANCES, "inbound, unlimited instances"},
        {PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED, PIPE_UNLIMITED_INSTANCES, "outbound overlapped, unlimited"},
    };
    for (const Attempt& attempt : attempts) {
        win::FileHandle rival(::CreateNamedPipeA(kPipeName, attempt.OpenMode, PIPE_TYPE_BYTE | PIPE_WAIT,
                                                 attempt.Instances, PIPE_REPLY_SIZE, PIPE_REQUEST_SIZE, 0, nullptr));
        const DWORD error = ::GetLastError();
        std::printf("second instance (%s) refused with error %lu\n", attempt.What, static_cast<unsigned long>(error));
        EXPECT_FALSE(rival) << attempt.What;
        if (!rival) {
            EXPECT_TRUE(error == ERROR_PIPE_BUSY || error == ERROR_ACCESS_DENIED) << attempt.What << ": " << error;
        }
    }
    // The service's own instance is untouched.
    EXPECT_TRUE(TimedGoodExchange().Served);
}

}  // namespace
}  // namespace velmora::testing
