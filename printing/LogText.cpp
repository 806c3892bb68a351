#include "printing/LogText.h"

#include <cstdlib>

std::string Gbk(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = ::WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Number(DWORD n) {
    wchar_t text[16];
    _ultow(n, text, 10);
    return text;
}

std::wstring Quoted(const std::wstring& name) { return L"“" + name + L"”"; }

std::wstring Trimmed(const std::wstring& text) {
    size_t begin = text.find_first_not_of(L" \t");
    if (begin == std::wstring::npos) return std::wstring();
    return text.substr(begin, text.find_last_not_of(L" \t") - begin + 1);
}
