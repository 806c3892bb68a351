#pragma once
#include <windows.h>

#include <string>

// LOG.txt's text: code page 936, as a Chinese Windows prints.
std::string Gbk(const std::wstring& text);

// The parts of LOG.txt's and the prompt's lines that printing/ shares.
// The C library's own conversion: std::to_wstring's printf would bring a
// whole formatter into the program for a few numbers.
std::wstring Number(DWORD n);
// A name between Chinese quotation marks.
std::wstring Quoted(const std::wstring& name);
// Without the spaces and tabs around it.
std::wstring Trimmed(const std::wstring& text);
