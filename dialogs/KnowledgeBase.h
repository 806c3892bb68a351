#pragma once

// The maker's knowledge base: the home page offered by the feedback dialog and
// the article offered by the main window.
inline constexpr const wchar_t* kKnowledgeBaseHome = L"https://kb.dalvex.com.cn/";
inline constexpr const wchar_t* kKnowledgeBaseArticle = L"https://kb.dalvex.com.cn/detail/dc_172545.html";
