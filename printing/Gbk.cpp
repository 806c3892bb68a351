#include "printing/Gbk.h"

#include <windows.h>

std::string Gbk(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = ::WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}
