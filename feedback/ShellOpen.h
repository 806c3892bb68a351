#pragma once

// Opens a web page in the user's browser as the user: through the desktop
// shell when it answers, else through a plain ShellExecute. Compiled into
// both Tarnwick.exe and the feedback library.
void OpenWebPage(const wchar_t* url);

// Starts a program with the rights of the user who is logged on, through the
// desktop shell; false, starting nothing, where there is no desktop shell to
// ask (a RemoteApp session, some kiosks). Never falls back to our own rights.
bool StartAsDesktopUser(const wchar_t* program, const wchar_t* parameters, const wchar_t* folder, int show);
