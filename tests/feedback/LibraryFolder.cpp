#include "tests/feedback/LibraryFolder.h"

#include "tests/support/TestSupport.h"

std::wstring FreshLibraryFolder(const wchar_t* builtDll) {
    static int counter = 0;
    std::wstring folder = MakeTempFolder(L"feedback test " + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                         std::to_wstring(++counter)) +
                          L"\\";
    ::CopyFileW((ProgramFolder() + builtDll).c_str(), (folder + L"DalvexFeedbackInformation.dll").c_str(), FALSE);
    return folder;
}

void PointLibraryAt(const std::wstring& folder, const std::string& base) {
    WriteFileBytes(folder + L"DalvexFeedbackInformation.ini", "[service]\r\nbase=" + base + "\r\n");
}

std::string LoopbackBase(unsigned short port) { return "http://127.0.0.1:" + std::to_string(port) + "/api"; }
