#include <windows.h>

// Wine's print system loads every registered monitor into the calling
// process: this one only has to load and carry another company's name.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
