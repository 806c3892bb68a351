// Stands in for sc.exe: "sc config spooler start= <type>".
#include "FakeConsole.h"

int wmain(int argc, wchar_t** argv) {
    auto a = fake::Args(argc, argv);
    if (a.size() >= 4 && fake::Is(a[0], L"config") && fake::Is(a[1], L"spooler") && fake::Is(a[2], L"start=")) {
        fake::HangIf(L"sc config");
        fake::Work();
        std::wstring state = fake::ReadState();
        fake::WriteState(state.substr(0, state.find(L' ')) + L" " + a[3]);
        fake::Say(L"[SC] ChangeServiceConfig 成功\r\n", L"[SC] ChangeServiceConfig SUCCESS\r\n");
        return 0;
    }
    fake::Print(L"[SC] OpenService 失败 1060:\r\n\r\n指定的服务未安装。\r\n\r\n");
    return 1060;
}
