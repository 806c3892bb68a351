#pragma once
#include <string>
#include <vector>

// A dotted version such as "1.0.10": one to eight parts of one to nine
// digits each. Returns false (and leaves `parts` empty) for anything else.
bool ParseVersion(const std::wstring& text, std::vector<unsigned long>& parts);

// <0, 0, >0 as `a` is older than, the same as or newer than `b`; missing
// trailing parts count as 0, so "1.0" equals "1.0.0".
int CompareVersions(const std::vector<unsigned long>& a, const std::vector<unsigned long>& b);
