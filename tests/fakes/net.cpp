// Stands in for net.exe, printing what a Simplified Chinese Windows prints.
#include "FakeConsole.h"

int wmain(int argc, wchar_t** argv) {
    auto a = fake::Args(argc, argv);
    if (a.size() >= 1 && fake::Is(a[0], L"session")) {
        fake::HangIf(L"net session");
        fake::Work();
        fake::Print(L"命令成功完成。\r\n\r\n");
        return 0;
    }
    if (a.size() >= 2 && fake::Is(a[0], L"stop") && fake::Is(a[1], L"spooler")) {
        fake::HangIf(L"net stop");
        std::wstring state = fake::ReadState();
        if (state.find(L"stopped") == 0) {
            fake::Work();
            fake::Print(L"Print Spooler 服务没有启动。\r\n\r\n请键入 NET HELPMSG 3521 以获得更多的帮助。\r\n\r\n");
            return 2;
        }
        fake::Print(L"Print Spooler 服务正在停止.");
        fake::Work();
        fake::Print(L".\r\nPrint Spooler 服务已成功停止。\r\n\r\n");
        fake::WriteState(L"stopped" + state.substr(state.find(L' ')));
        return 0;
    }
    if (a.size() >= 2 && fake::Is(a[0], L"start") && fake::Is(a[1], L"spooler")) {
        fake::HangIf(L"net start");
        std::wstring state = fake::ReadState();
        if (state.find(L"disabled") != std::wstring::npos) {
            fake::Work();
            fake::Print(L"发生系统错误 1058。\r\n\r\n无法启动服务，原因可能是已被禁用或与其相关联的设备没有启动。\r\n\r\n");
            return 2;
        }
        fake::Print(L"Print Spooler 服务正在启动 .");
        fake::Work();
        fake::Print(L"\r\nPrint Spooler 服务已经启动成功。\r\n\r\n");
        fake::WriteState(L"running" + state.substr(state.find(L' ')));
        return 0;
    }
    fake::Print(L"此命令的语法是:\r\n\r\nNET\r\n");
    return 1;
}
