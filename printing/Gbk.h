#pragma once
#include <string>

// LOG.txt's text: code page 936, as a Chinese Windows prints.
std::string Gbk(const std::wstring& text);
