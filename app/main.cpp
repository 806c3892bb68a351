#include <windows.h>

#include "app/SingleInstance.h"
#include "app/TarnwickApp.h"
#include "exec/NamedLock.h"
#include "exec/SystemLibrary.h"

CTarnwickApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything else loads: a DLL planted beside the tool under a
    // system DLL's name must not be picked up by an elevated process.
    RestrictDllSearch();
    // Before the feedback library, the mending of a killed run and any
    // window. Held until the process ends; a second start removes nothing.
    CNamedLock sessionsTool(kInstanceLockName);
    if (!BecomeTheSessionsTool(sessionsTool)) return 0;
    return theApp.Main(instance);
}
