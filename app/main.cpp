#include <windows.h>

#include "app/TarnwickApp.h"

CTarnwickApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything else loads: a DLL planted beside the tool under a
    // system DLL's name must not be picked up by an elevated process.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return theApp.Main(instance);
}
