#pragma once
#include <windows.h>

#include <functional>
#include <string>

// A bounded message pump: dispatches this thread's messages until `done`
// answers true or `timeoutMs` passes. Returns whether `done` came true.
// `done` is asked again at least every `everyMs`, and whenever a message came.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD everyMs = 10);
void PumpFor(DWORD ms);

// Reads a pixel back from the screen, as the user sees it.
COLORREF ScreenPixel(int x, int y);

// Sends real input: moves the pointer and presses/releases the left button.
void MouseMoveTo(int x, int y);
void MouseDown();
void MouseUp();
void ClickAt(int x, int y);
// With `held` (VK_SHIFT, say) down around it.
void PressKey(WORD vk, WORD held = 0);

// The screen's LogPixels in the registry (96, 120, 144); read by programs
// started afterwards.
void SetLogPixels(DWORD dpi);
DWORD GetLogPixels();

// Runs a command line in `folder` (empty: this one) and returns its exit
// code; -1 when it would not start, 99 when it outran the time and was ended,
// kEndedEarly when a test program ended before all its cases had run.
const int kEndedEarly = 98;
int RunToExit(std::wstring commandLine, const std::wstring& folder, DWORD timeoutMs);

// Runs this test program again as a child with a gtest filter and the given
// LogPixels value, waits, restores the old value and returns the child's
// exit code (0 when its tests passed).
int RunSelfAtDpi(DWORD dpi, const std::string& filter, DWORD timeoutMs = 120000);

// Folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();
// A fresh, empty temporary folder (the name may contain spaces).
std::wstring MakeTempFolder(const std::wstring& name);
bool FileExists(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);

// A file that explains a failure of the running case (a log, a trace):
// copied to build/test-artifacts/<Suite.Case>/, beside a screenshot, when
// the case fails. Named again by each case that needs it.
void KeepOnFailure(const std::wstring& path);

// A rectangle by its corner and size, as layouts give them.
inline RECT Box(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

// Prints both rectangles when they differ.
std::string RectText(const RECT& r);
#define EXPECT_RECT_EQ(expected, actual) EXPECT_EQ(RectText(expected), RectText(actual))
