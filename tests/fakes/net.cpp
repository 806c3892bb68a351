// Stands in for net.exe, printing what a Simplified Chinese Windows prints.
#include "FakeConsole.h"

int wmain(int argc, wchar_t** argv) {
    auto a = fake::Args(argc, argv);
    if (a.size() >= 1 && fake::Is(a[0], L"session")) {
        fake::HangIf(L"net session");
        fake::Work();
        if (fake::FailsHere(L"net session")) {
            // The Server service is off, as on many hardened PCs.
            fake::Say(L"Server 服务没有启动。\r\n\r\n请键入 NET HELPMSG 2114 以获得更多的帮助。\r\n\r\n",
                      L"The Server service is not started.\r\n\r\nMore help is available by typing NET HELPMSG 2114.\r\n\r\n");
            return 2;
        }
        fake::Say(L"命令成功完成。\r\n\r\n", L"The command completed successfully.\r\n\r\n");
        return 0;
    }
    if (a.size() >= 2 && fake::Is(a[0], L"stop") && fake::Is(a[1], L"spooler")) {
        fake::HangIf(L"net stop");
        std::wstring state = fake::ReadState();
        if (state.find(L"stopped") == 0) {
            fake::Work();
            fake::Say(L"Print Spooler 服务没有启动。\r\n\r\n请键入 NET HELPMSG 3521 以获得更多的帮助。\r\n\r\n",
                      L"The Print Spooler service is not started.\r\n\r\nMore help is available by typing NET HELPMSG 3521.\r\n\r\n");
            return 2;
        }
        // TARNWICK_FAKE_DEPENDENT: a running fax service depends on the spooler.
        if (!fake::Env(L"TARNWICK_FAKE_DEPENDENT").empty()) {
            bool yes = a.size() >= 3 && fake::Is(a[2], L"/y");
            if (!yes) {
                fake::Print(L"下列服务依赖于 Print Spooler 服务。\r\n停止 Print Spooler 服务也会停止这些服务。\r\n\r\n"
                            L"   Fax\r\n\r\n你想继续此操作吗? (Y/N) [N]: ");
                char answer = 0;
                DWORD read = 0;
                if (!::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &answer, 1, &read, nullptr) || read == 0 ||
                    (answer != 'y' && answer != 'Y')) {
                    fake::Print(L"\r\n请键入 NET HELPMSG 2182 以获得更多的帮助。\r\n\r\n");
                    return 2;
                }
            }
            fake::Print(L"Fax 服务正在停止.\r\nFax 服务已成功停止。\r\n\r\n");
        }
        fake::Say(L"Print Spooler 服务正在停止.", L"The Print Spooler service is stopping.");
        fake::Work();
        fake::WriteState(L"stopped" + state.substr(state.find(L' ')));
        fake::Say(L".\r\nPrint Spooler 服务已成功停止。\r\n\r\n",
                  L".\r\nThe Print Spooler service was stopped successfully.\r\n\r\n");
        return 0;
    }
    if (a.size() >= 2 && fake::Is(a[0], L"start") && fake::Is(a[1], L"spooler")) {
        fake::HangIf(L"net start");
        std::wstring state = fake::ReadState();
        if (state.find(L"disabled") != std::wstring::npos) {
            fake::Work();
            fake::Say(L"发生系统错误 1058。\r\n\r\n无法启动服务，原因可能是已被禁用或与其相关联的设备没有启动。\r\n\r\n",
                      L"System error 1058 has occurred.\r\n\r\nThe service cannot be started, either because it is "
                      L"disabled or because it has no enabled devices associated with it.\r\n\r\n");
            return 2;
        }
        fake::Say(L"Print Spooler 服务正在启动 .", L"The Print Spooler service is starting.");
        fake::Work();
        // As Windows' net does: the service runs before the words say so.
        fake::WriteState(L"running" + state.substr(state.find(L' ')));
        fake::Say(L"\r\nPrint Spooler 服务已经启动成功。\r\n\r\n",
                  L"\r\nThe Print Spooler service was started successfully.\r\n\r\n");
        return 0;
    }
    fake::Print(L"此命令的语法是:\r\n\r\nNET\r\n");
    return 1;
}
