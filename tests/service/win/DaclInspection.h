#pragma once
// Reads a kernel object's DACL back, or the DACL an SDDL text describes, and
// sums up what each trustee may do, so tests can check an object's security
// as a client would find it.

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace velmora::testing {

struct AllowedAce {
    std::string Sid;  // "S-1-5-18" form
    ACCESS_MASK Mask = 0;
    BYTE Flags = 0;  // inheritance: OBJECT_INHERIT_ACE, CONTAINER_INHERIT_ACE, ...
};

struct DaclReadBack {
    bool Read = false;     // GetSecurityInfo succeeded
    bool NullDacl = false;  // present-but-null or absent: everyone has full access
    bool Protected = false;  // SE_DACL_PROTECTED: nothing inherited from the parent
    bool OnlyAllowAces = true;
    std::vector<AllowedAce> Allowed;

    [[nodiscard]] ACCESS_MASK MaskFor(const std::string& sid) const {
        ACCESS_MASK mask = 0;
        for (const AllowedAce& ace : Allowed) {
            if (ace.Sid == sid) mask |= ace.Mask;
        }
        return mask;
    }
};

inline constexpr char kSidSystem[] = "S-1-5-18";
inline constexpr char kSidAdministrators[] = "S-1-5-32-544";
inline constexpr char kSidAuthenticatedUsers[] = "S-1-5-11";
inline constexpr char kSidEveryone[] = "S-1-1-0";
inline constexpr char kSidLocalService[] = "S-1-5-19";
inline constexpr char kSidUsers[] = "S-1-5-32-545";

// The ACEs of a DACL; Read is left to the caller.
inline void DescribeDacl(PACL dacl, DaclReadBack& result) {
    result.NullDacl = dacl == nullptr;
    if (dacl == nullptr) return;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) continue;
        const auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            result.OnlyAllowAces = false;
            continue;
        }
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        char* text = nullptr;
        AllowedAce entry;
        if (::ConvertSidToStringSidA(reinterpret_cast<PSID>(&allowed->SidStart), &text)) {
            entry.Sid = text;
            ::LocalFree(text);
        }
        entry.Mask = allowed->Mask;
        entry.Flags = header->AceFlags;
        result.Allowed.push_back(entry);
    }
}

inline DaclReadBack ReadDacl(HANDLE object) {
    DaclReadBack result;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                          &descriptor) != ERROR_SUCCESS) {
        return result;
    }
    result.Read = true;
    DescribeDacl(dacl, result);
    ::LocalFree(descriptor);
    return result;
}

// The DACL of the security descriptor an SDDL text describes.
inline DaclReadBack DaclOfSddl(const char* sddl) {
    DaclReadBack result;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
        return result;
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) &&
        ::GetSecurityDescriptorControl(descriptor, &control, &revision)) {
        result.Read = true;
        result.Protected = (control & SE_DACL_PROTECTED) != 0;
        DescribeDacl(present ? dacl : nullptr, result);
    }
    ::LocalFree(descriptor);
    return result;
}

}  // namespace velmora::testing
