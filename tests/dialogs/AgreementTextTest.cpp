#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/AgreementText.h"

namespace {
std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L"\r\n", start);
        lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) return lines;
        start = end + 2;
    }
}
bool StartsWith(const std::wstring& s, const std::wstring& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }
}

TEST(AgreementText, SizeAndLineEnds) {
    std::wstring text = AgreementText();
    EXPECT_EQ(4039u, text.size());
    std::vector<std::wstring> lines = Lines(text);
    EXPECT_EQ(63u, lines.size());
    // No bare line feeds or carriage returns: every break is CR LF.
    for (const auto& l : lines) {
        EXPECT_EQ(std::wstring::npos, l.find(L'\n'));
        EXPECT_EQ(std::wstring::npos, l.find(L'\r'));
    }
    EXPECT_NE(L'\n', text.back());
    // The tool removes its own files on closing, never the folder's others.
    EXPECT_NE(std::wstring::npos, text.find(L"仅删除自身的程序文件及运行日志"));
    EXPECT_EQ(std::wstring::npos, text.find(L"删除自身所在的文件夹"));
    EXPECT_EQ(std::wstring::npos, text.find(L"随该文件夹一并删除"));
}

TEST(AgreementText, BlockStructure) {
    std::vector<std::wstring> lines = Lines(AgreementText());
    ASSERT_EQ(63u, lines.size());
    EXPECT_EQ(L"达维服务工具使用许可协议", lines[0]);
    EXPECT_EQ(L"", lines[1]);
    EXPECT_EQ(L"重要须知", lines[2]);

    // Walk the blocks: a heading, its lines (plain, numbered or lettered), an empty line.
    struct Block {
        const wchar_t* heading;
        const wchar_t* body;  // one letter per line: p plain, n numbered, l lettered
    };
    const Block blocks[] = {
        {L"重要须知", L"ppp"},
        {L"一. 知识产权声明", L"nn"},
        {L"二. 软件授权范围", L"nn"},
        {L"三. 用户使用须知", L"nlllllllnnnnn"},
        {L"四. 隐私权保护", L"nnnlllnlllllnllllnn"},
        {L"五. 法律责任与免责", L"nnnnnnn"},
        {L"六. 其他条款", L"nn"},
    };
    size_t i = 2;
    for (const Block& b : blocks) {
        ASSERT_LT(i, lines.size());
        EXPECT_EQ(b.heading, lines[i]) << i;
        ++i;
        int number = 0;
        wchar_t letter = L'A';
        for (const wchar_t* k = b.body; *k; ++k, ++i) {
            ASSERT_LT(i, lines.size());
            const std::wstring& l = lines[i];
            ASSERT_TRUE(StartsWith(l, L"    ")) << i;
            EXPECT_NE(L' ', l[4]) << i;
            if (*k == L'n') {
                ++number;
                letter = L'A';
                EXPECT_TRUE(StartsWith(l, L"    " + std::to_wstring(number) + L". ")) << i;
            } else if (*k == L'l') {
                EXPECT_TRUE(StartsWith(l, std::wstring(L"    ") + letter + L". ")) << i;
                ++letter;
            } else {
                EXPECT_FALSE(l[4] >= L'0' && l[4] <= L'9') << i;
            }
            EXPECT_GT(l.size(), 12u) << i;
        }
        if (i < lines.size()) {
            EXPECT_EQ(L"", lines[i]) << i;
            ++i;
        }
    }
    EXPECT_EQ(63u, i);
}
