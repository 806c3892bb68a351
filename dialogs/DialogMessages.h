#pragma once
#include <windows.h>

// Private messages between the secondary dialogs' windows and their callers.
#define WM_CLOSE_EXECUTE_PROMPT (WM_USER + 501)
#define WM_PROMPT_BUTTON (WM_USER + 533)
