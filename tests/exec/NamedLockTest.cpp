#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>
#include <thread>

#include "exec/NamedLock.h"

namespace {
std::wstring TestName(const wchar_t* what) {
    return L"Local\\Tarnwick.Test." + std::to_wstring(::GetCurrentProcessId()) + L"." + what;
}

CNamedLock::Taken TakeElsewhere(CNamedLock& lock) {
    CNamedLock::Taken taken = CNamedLock::Taken::Unavailable;
    std::thread([&] {
        taken = lock.Take(0);
        if (taken == CNamedLock::Taken::Yes) lock.Release();
    }).join();
    return taken;
}
}  // namespace

// Every Wine process has the same administrator token, so the descriptor is
// checked as written: SYSTEM and Administrators, full access, nobody else,
// nothing inherited.
TEST(NamedLock, OnlySystemAndAdministratorsMayOpenIt) {
    PSECURITY_DESCRIPTOR sd = NewLockSecurityDescriptor();
    ASSERT_NE(nullptr, sd);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(sd, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "inherited entries could let others in";
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl) << "no list at all lets everybody in";
    ACL_SIZE_INFORMATION size{};
    ASSERT_TRUE(::GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation));
    ASSERT_EQ(2u, size.AceCount);
    bool system = false, admins = false;
    for (DWORD i = 0; i < size.AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(::GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
        EXPECT_EQ(static_cast<DWORD>(GENERIC_ALL), ace->Mask);
        PSID sid = &ace->SidStart;
        system = system || ::IsWellKnownSid(sid, WinLocalSystemSid);
        admins = admins || ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
    }
    EXPECT_TRUE(system && admins);
    ::LocalFree(sd);
}

TEST(NamedLock, OneHolderAtATimeAndAKilledHoldersLockIsTaken) {
    std::wstring name = TestName(L"holders");
    CNamedLock mine(name.c_str()), theirs(name.c_str());
    ASSERT_EQ(CNamedLock::Taken::Yes, mine.Take(0));
    EXPECT_EQ(CNamedLock::Taken::Busy, TakeElsewhere(theirs));
    mine.Release();
    EXPECT_EQ(CNamedLock::Taken::Yes, TakeElsewhere(theirs));

    // A holder that ends without giving it back: the lock is ours, not stuck.
    std::thread([&] { EXPECT_EQ(CNamedLock::Taken::Yes, theirs.Take(0)); }).join();
    EXPECT_EQ(CNamedLock::Taken::Yes, mine.Take(0));
    mine.Release();
}

// A program without rights that made the name first must not keep the user
// from the tool: the lock is gone around, and says why.
TEST(NamedLock, ANameThatCanNotBeOpenedIsGoneAround) {
    std::wstring name = TestName(L"squatted");
    PSECURITY_DESCRIPTOR nobody = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1, &nobody, nullptr));
    SECURITY_ATTRIBUTES sa{sizeof(sa), nobody, FALSE};
    HANDLE squatter = ::CreateMutexW(&sa, TRUE, name.c_str());
    ASSERT_NE(nullptr, squatter);
    CNamedLock lock(name.c_str());
    EXPECT_EQ(CNamedLock::Taken::Unavailable, lock.Take(0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), lock.OpenError());
    EXPECT_NE(std::string::npos, lock.UnavailableLine().find("Tarnwick.Test")) << lock.UnavailableLine();
    ::CloseHandle(squatter);
    ::LocalFree(nobody);
}
