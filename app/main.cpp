#include <windows.h>

#include "app/TarnwickApp.h"
#include "exec/SystemLibrary.h"

CTarnwickApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything else loads: a DLL planted beside the tool under a
    // system DLL's name must not be picked up by an elevated process.
    RestrictDllSearch();
    return theApp.Main(instance);
}
