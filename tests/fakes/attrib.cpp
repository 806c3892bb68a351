// Stands in for attrib.exe: "attrib <pattern> -R /s" really clears the
// read-only bits, silently, and prints "找不到文件" when nothing matches.
#include "FakeConsole.h"

int wmain(int argc, wchar_t** argv) {
    auto a = fake::Args(argc, argv);
    fake::HangIf(L"attrib");
    fake::Work();
    std::wstring pattern;
    bool clearReadOnly = false, recurse = false;
    for (const auto& arg : a) {
        if (fake::Is(arg, L"-R")) clearReadOnly = true;
        else if (fake::Is(arg, L"/s")) recurse = true;
        else if (pattern.empty()) pattern = fake::Expand(arg);
    }
    std::wstring dir, mask;
    fake::SplitPattern(pattern, dir, mask);
    std::vector<std::wstring> files;
    if (recurse) fake::FindFiles(dir, mask, files);
    if (files.empty()) {
        fake::Say(L"找不到文件 - " + pattern + L"\r\n", L"File not found - " + pattern + L"\r\n");
        return 1;
    }
    for (const auto& f : files) {
        DWORD attr = ::GetFileAttributesW(f.c_str());
        if (clearReadOnly && attr != INVALID_FILE_ATTRIBUTES)
            ::SetFileAttributesW(f.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
    }
    return 0;
}
