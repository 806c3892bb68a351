#pragma once

// Opens a web page in the user's browser as the user: through the desktop
// shell when it answers, else through a plain ShellExecute. Compiled into
// both Tarnwick.exe and the feedback library.
void OpenWebPage(const wchar_t* url);
