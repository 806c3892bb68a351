// Cases that end their program on purpose, run only by premature-exit-test:
// the harness must fail such a run, whatever its exit status says.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace {

bool IsChild() { return ::GetEnvironmentVariableW(L"TARNWICK_HARNESS_CHILD", nullptr, 0) > 0; }

int RunChild(const char* filter) {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    ::SetEnvironmentVariableW(L"TARNWICK_HARNESS_CHILD", L"1");
    std::string f(filter);
    int code = RunToExit(L"\"" + std::wstring(exe) + L"\" --gtest_also_run_disabled_tests --gtest_filter=" +
                             std::wstring(f.begin(), f.end()),
                         std::wstring(), 60000);
    ::SetEnvironmentVariableW(L"TARNWICK_HARNESS_CHILD", nullptr);
    return code;
}

}  // namespace

TEST(Harness, DISABLED_ChildPasses) { SUCCEED(); }

TEST(Harness, DISABLED_ChildEndsHalfWay) {
    if (IsChild()) ::ExitProcess(0);
}

// A child that passes must leave the parent's own file alone, one that ends
// half way is caught by the parent, and then the parent ends half way itself.
TEST(Harness, DISABLED_EndsHalfWayAfterItsChildren) {
    EXPECT_EQ(0, RunChild("Harness.DISABLED_ChildPasses"));
    EXPECT_EQ(kEndedEarly, RunChild("Harness.DISABLED_ChildEndsHalfWay"));
    std::fflush(stdout);
    ::ExitProcess(0);
}
