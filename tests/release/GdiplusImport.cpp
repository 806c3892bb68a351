// Imports GDI+ the plain way, as the tool once did: check-release must refuse it.
#include <windows.h>

extern "C" void* WINAPI GdipAlloc(SIZE_T size);

int main() { return GdipAlloc(0) ? 0 : 1; }
