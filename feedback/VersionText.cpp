#include "feedback/VersionText.h"

bool ParseVersion(const std::wstring& text, std::vector<unsigned long>& parts) {
    parts.clear();
    unsigned long value = 0;
    int digits = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        wchar_t c = i < text.size() ? text[i] : L'.';
        if (c >= L'0' && c <= L'9') {
            // Nine digits always fit in 32 bits.
            if (++digits > 9) break;
            value = value * 10 + static_cast<unsigned long>(c - L'0');
        } else if (c == L'.' && digits > 0 && parts.size() < 8) {
            parts.push_back(value);
            value = 0;
            digits = 0;
            if (i == text.size()) return true;
        } else {
            break;
        }
    }
    parts.clear();
    return false;
}

int CompareVersions(const std::vector<unsigned long>& a, const std::vector<unsigned long>& b) {
    size_t n = a.size() > b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned long x = i < a.size() ? a[i] : 0;
        unsigned long y = i < b.size() ? b[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}
