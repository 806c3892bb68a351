// A library linked as the linker links by default, with the link time in its
// header and its export directory: check-release must refuse it.
extern "C" __declspec(dllexport) int StampedExport() { return 1; }
